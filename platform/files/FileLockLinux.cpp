// The replacing lock's system calls over POSIX record locks.
//
// Open-file-description locks (F_OFD_SETLK) are used where the kernel has
// them: a classic process-owned lock would be dropped as soon as the program
// closed any other descriptor of the lock file, and two locks of one program
// would not exclude each other. Both kinds reach the server on NFS and SMB
// shares, which is where two computers meet.
#include "platform/files/FileLock_c.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::lock_calls {

Handle Open(const std::filesystem::path& lockFile, int& errorCode, std::string& reason) {
    const int handle = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (handle < 0) {
        errorCode = errno;
        reason = std::strerror(errorCode);
        return kNoHandle;
    }
    // Every user who may write the shared folder must be able to take the
    // lock, whatever the umask of the one who made it; the file holds nothing.
    struct stat status {};
    if (::fstat(handle, &status) == 0 && status.st_uid == ::geteuid() &&
        (status.st_mode & 0666) != 0666)
        ::fchmod(handle, 0666);
    return handle;
}

Attempt TryLock(Handle handle, int& errorCode, std::string& reason) {
    struct flock region {};
    region.l_type = F_WRLCK;
    region.l_whence = SEEK_SET;
    region.l_start = 0;
    region.l_len = 0;
    int result = 0;
#ifdef F_OFD_SETLK
    if (::fcntl(int(handle), F_OFD_SETLK, &region) == 0)
        return Attempt::Taken;
    result = errno;
    if (result == EINVAL) {
        region.l_pid = 0;
        result = ::fcntl(int(handle), F_SETLK, &region) == 0 ? 0 : errno;
    }
#else
    result = ::fcntl(int(handle), F_SETLK, &region) == 0 ? 0 : errno;
#endif
    if (result == 0)
        return Attempt::Taken;
    if (result == EAGAIN || result == EACCES || result == EINTR)
        return Attempt::Busy;
    errorCode = result;
    reason = std::strerror(result);
    return Attempt::Failed;
}

int Keep(Handle handle, int&, std::string&) {
    return int(handle);
}

void Close(Handle handle) {
    ::close(int(handle));
}

void Release(int descriptor) {
    // Closing the lock file's only descriptor releases its lock.
    ::close(descriptor);
}

} // namespace platform::lock_calls
