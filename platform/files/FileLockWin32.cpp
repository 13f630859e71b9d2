// The replacing lock's system calls on Windows: a byte-range lock (LockFileEx)
// over the whole lock file, which Windows drops when the handle closes or the
// program ends, and which SMB carries to the server where two computers share
// the folder. A held lock is kept as a C runtime descriptor, so the lock's type
// is the same on both systems.
#include "platform/files/FileLock_c.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <system_error>

namespace platform::lock_calls {

Handle Open(const std::filesystem::path& lockFile, int& errorCode, std::string& reason) {
    HANDLE handle = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        errorCode = code == ERROR_ACCESS_DENIED ? EACCES : EIO;
        reason = std::system_category().message(int(code));
        return kNoHandle;
    }
    return reinterpret_cast<Handle>(handle);
}

Attempt TryLock(Handle handle, int& errorCode, std::string& reason) {
    OVERLAPPED whole{};
    if (LockFileEx(reinterpret_cast<HANDLE>(handle),
                   LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                   &whole))
        return Attempt::Taken;
    const DWORD code = GetLastError();
    if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING)
        return Attempt::Busy;
    errorCode = EIO;
    reason = std::system_category().message(int(code));
    return Attempt::Failed;
}

int Keep(Handle handle, int& errorCode, std::string& reason) {
    const int descriptor = ::_open_osfhandle(handle, _O_RDWR);
    if (descriptor < 0) {
        errorCode = EMFILE;
        reason = "too many open files";
    }
    return descriptor;
}

void Close(Handle handle) {
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

void Release(int descriptor) {
    // Closing the descriptor closes its handle, which releases the lock.
    ::_close(descriptor);
}

} // namespace platform::lock_calls
