// The replacing lock's wait and its errors, over the system's calls of
// FileLockLinux.cpp or FileLockWin32.cpp.
#include "platform/files/FileLock.h"

#include "platform/files/FileLock_c.h"

#include <cerrno>
#include <thread>

namespace platform {

FileLock::~FileLock() {
    Release();
}

FileLock::FileLock(FileLock&& other) noexcept : handle_(other.handle_) {
    other.handle_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Release();
        handle_ = other.handle_;
        other.handle_ = -1;
    }
    return *this;
}

void FileLock::Release() {
    if (handle_ >= 0)
        lock_calls::Release(handle_);
    handle_ = -1;
}

std::filesystem::path LockFileOf(const std::filesystem::path& file) {
    std::filesystem::path name = ".";
    name += file.filename();
    name += ".lock";
    return file.parent_path() / name;
}

FileLock LockForReplacing(const std::filesystem::path& file, std::chrono::milliseconds patience,
                          std::string& error, int& errorCode) {
    const std::filesystem::path lockFile = LockFileOf(file);
    std::string reason;
    const lock_calls::Handle handle = lock_calls::Open(lockFile, errorCode, reason);
    if (handle == lock_calls::kNoHandle) {
        error = "cannot open the lock file " + lockFile.string() + ": " + reason;
        return FileLock();
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const lock_calls::Attempt attempt = lock_calls::TryLock(handle, errorCode, reason);
        if (attempt == lock_calls::Attempt::Taken) {
            const int descriptor = lock_calls::Keep(handle, errorCode, reason);
            if (descriptor >= 0)
                return FileLock(descriptor);
            error = "cannot keep the lock of " + lockFile.string() + ": " + reason;
            break;
        }
        if (attempt == lock_calls::Attempt::Failed) {
            error = "cannot lock " + lockFile.string() + ": " + reason;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            errorCode = EWOULDBLOCK;
            error = "another program kept " + file.string() + " locked for too long";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    lock_calls::Close(handle);
    return FileLock();
}

} // namespace platform
