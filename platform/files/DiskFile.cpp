// What an open file does the same on every system; its system calls are in
// DiskFileLinux.cpp and DiskFileWin32.cpp.
#include "platform/files/DiskFile.h"

namespace platform {

DiskFile::~DiskFile() {
    Close();
}

DiskFile::DiskFile(DiskFile&& other) noexcept : handle_(other.handle_) {
    other.handle_ = -1;
}

DiskFile& DiskFile::operator=(DiskFile&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        other.handle_ = -1;
    }
    return *this;
}

} // namespace platform
