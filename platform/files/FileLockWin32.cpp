// The replacing lock on Windows: a byte-range lock (LockFileEx) over the whole
// lock file, which Windows drops when the handle closes or the program ends,
// and which SMB carries to the server where two computers share the folder.
// The handle is kept as a C runtime descriptor, so the lock's type is the
// same on both systems.
#include "platform/files/FileLock.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <system_error>
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
    // Closing the descriptor closes its handle, which releases the lock.
    if (handle_ >= 0)
        ::_close(handle_);
    handle_ = -1;
}

std::filesystem::path LockFileOf(const std::filesystem::path& file) {
    return file.parent_path() / (L"." + file.filename().wstring() + L".lock");
}

FileLock LockForReplacing(const std::filesystem::path& file, std::chrono::milliseconds patience,
                          std::string& error, int& errorCode) {
    const std::filesystem::path lockFile = LockFileOf(file);
    HANDLE handle = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        errorCode = code == ERROR_ACCESS_DENIED ? EACCES : EIO;
        error = "cannot open the lock file " + lockFile.string() + ": " +
                std::system_category().message(int(code));
        return FileLock();
    }
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        OVERLAPPED whole{};
        if (LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                       MAXDWORD, &whole)) {
            const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDWR);
            if (descriptor >= 0)
                return FileLock(descriptor);
            errorCode = EMFILE;
            error = "cannot keep the lock of " + lockFile.string() + ": too many open files";
            break;
        }
        const DWORD code = GetLastError();
        if (code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING) {
            errorCode = EIO;
            error = "cannot lock " + lockFile.string() + ": " +
                    std::system_category().message(int(code));
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            errorCode = EWOULDBLOCK;
            error = "another program kept " + file.string() + " locked for too long";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    CloseHandle(handle);
    return FileLock();
}

} // namespace platform
