// The replacing lock over POSIX record locks.
//
// Open-file-description locks (F_OFD_SETLK) are used where the kernel has
// them: a classic process-owned lock would be dropped as soon as the program
// closed any other descriptor of the lock file, and two locks of one program
// would not exclude each other. Both kinds reach the server on NFS and SMB
// shares, which is where two computers meet.
#include "platform/files/FileLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace platform {

namespace {

int TryLock(int handle) {
    struct flock region {};
    region.l_type = F_WRLCK;
    region.l_whence = SEEK_SET;
    region.l_start = 0;
    region.l_len = 0;
#ifdef F_OFD_SETLK
    if (::fcntl(handle, F_OFD_SETLK, &region) == 0)
        return 0;
    if (errno != EINVAL)
        return errno;
    region.l_pid = 0;
#endif
    return ::fcntl(handle, F_SETLK, &region) == 0 ? 0 : errno;
}

} // namespace

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
    // Closing the lock file's only descriptor releases its lock.
    if (handle_ >= 0)
        ::close(handle_);
    handle_ = -1;
}

std::filesystem::path LockFileOf(const std::filesystem::path& file) {
    return file.parent_path() / ("." + file.filename().string() + ".lock");
}

FileLock LockForReplacing(const std::filesystem::path& file, std::chrono::milliseconds patience,
                          std::string& error, int& errorCode) {
    const std::filesystem::path lockFile = LockFileOf(file);
    const int handle = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (handle < 0) {
        errorCode = errno;
        error = "cannot open the lock file " + lockFile.string() + ": " + std::strerror(errorCode);
        return FileLock();
    }
    // Every user who may write the shared folder must be able to take the
    // lock, whatever the umask of the one who made it; the file holds nothing.
    struct stat status {};
    if (::fstat(handle, &status) == 0 && status.st_uid == ::geteuid() &&
        (status.st_mode & 0666) != 0666)
        ::fchmod(handle, 0666);

    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        const int result = TryLock(handle);
        if (result == 0)
            return FileLock(handle);
        if (result != EAGAIN && result != EACCES && result != EINTR) {
            errorCode = result;
            error = "cannot lock " + lockFile.string() + ": " + std::strerror(result);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            errorCode = EWOULDBLOCK;
            error = "another program kept " + file.string() + " locked for too long";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::close(handle);
    return FileLock();
}

} // namespace platform
