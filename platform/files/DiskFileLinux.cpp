// The workbook's file calls over POSIX.
#include "platform/files/DiskFile.h"

#include "platform/TextCodec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

namespace {

FileStamp StampFrom(const struct stat& status) {
    return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino),
            static_cast<int64_t>(status.st_size),
            static_cast<int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

mode_t NewFileMode(const std::filesystem::path& target, const std::filesystem::path& folder) {
    mode_t mode = 0;
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
        mode = existing.st_mode & 07777;
    } else {
        // The folder is shared, so a new workbook gets the ordinary permissions
        // a newly created file would have, not mkstemp's private 0600.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    // A set-group-ID folder is shared by its group (the machine's report
    // folder): the next child, under another account, must be able to read
    // the workbook, or it would be taken for a damaged one and set aside.
    struct stat parent {};
    if (::stat(folder.c_str(), &parent) == 0 && (parent.st_mode & S_ISGID) != 0)
        mode |= S_IRGRP | S_IWGRP;
    return mode;
}

// mkstemp's ending of a temporary name.
constexpr char kTemporaryEnding[] = "XXXXXX";
constexpr size_t kTemporaryEndingLength = sizeof kTemporaryEnding - 1;

} // namespace

DiskFile DiskFile::OpenForReading(const std::filesystem::path& path, int& code) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    code = fd < 0 ? errno : 0;
    return DiskFile(fd);
}

DiskFile DiskFile::CreateTemporary(const std::filesystem::path& folder,
                                   const std::filesystem::path& prefix,
                                   std::filesystem::path& path, int& code) {
    std::string name = (folder / prefix).string() + kTemporaryEnding;
    const int fd = ::mkstemp(name.data());
    code = fd < 0 ? errno : 0;
    path = name;
    return DiskFile(fd);
}

bool DiskFile::Stamp(FileStamp& stamp, int& code) const {
    struct stat status {};
    if (::fstat(int(handle_), &status) != 0 || !S_ISREG(status.st_mode)) {
        code = S_ISDIR(status.st_mode) ? EISDIR : errno;
        return false;
    }
    stamp = StampFrom(status);
    return true;
}

int DiskFile::Read(char* buffer, size_t length, size_t& got) {
    for (;;) {
        const ssize_t result = ::read(int(handle_), buffer, length);
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0)
            return errno;
        got = static_cast<size_t>(result);
        return 0;
    }
}

int DiskFile::Write(const char* data, size_t length, size_t& written) {
    for (;;) {
        const ssize_t result = ::write(int(handle_), data, length);
        if (result < 0 && errno == EINTR)
            continue;
        if (result < 0)
            return errno;
        written = static_cast<size_t>(result);
        return 0;
    }
}

int DiskFile::Flush() {
    return ::fsync(int(handle_)) == 0 ? 0 : errno;
}

int DiskFile::Close() {
    if (handle_ == -1)
        return 0;
    const int result = ::close(int(handle_));
    handle_ = -1;
    return result == 0 ? 0 : errno;
}

int DiskFile::TakeModeFor(const std::filesystem::path& target,
                          const std::filesystem::path& folder) {
    return ::fchmod(int(handle_), NewFileMode(target, folder)) == 0 ? 0 : errno;
}

bool IsTemporaryName(const std::filesystem::path& name, const std::filesystem::path& prefix) {
    return name.native().size() == prefix.native().size() + kTemporaryEndingLength &&
           name.native().starts_with(prefix.native());
}

std::optional<FileStamp> StampOfFile(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return StampFrom(status);
}

int RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int SyncFolder(const std::filesystem::path& folder, bool& opened) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    opened = fd >= 0;
    if (fd < 0)
        return errno;
    const int code = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return code;
}

int RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    int result = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
        // File systems without RENAME_NOREPLACE: link refuses an existing
        // name just the same.
        result = ::link(from.c_str(), to.c_str());
        if (result == 0)
            ::unlink(from.c_str());
    }
    return result == 0 ? 0 : errno;
}

bool RemoveFile(const std::filesystem::path& path) {
    return ::unlink(path.c_str()) == 0;
}

std::filesystem::path PathFromCp1251(const std::string& text) {
    return std::filesystem::path(WideToUtf8(Cp1251ToWide(text)));
}

} // namespace platform
