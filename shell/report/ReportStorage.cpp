// Atomic file replacement and the damaged-file shelf over POSIX calls.
#include "shell/report/ReportStorage.h"

#include "platform/TextCodec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// The write seam: the byte budget left before the simulated disk is full, and
// the folder it is limited to.
std::optional<size_t> simulatedSpace;
std::filesystem::path simulatedFolder;

bool UnderSimulatedFolder(const std::filesystem::path& folder) {
    if (simulatedFolder.empty())
        return true;
    std::error_code error;
    return std::filesystem::equivalent(folder, simulatedFolder, error);
}

ssize_t WriteSome(int fd, const char* data, size_t length, bool simulated) {
    if (simulatedSpace && simulated) {
        if (*simulatedSpace == 0) {
            errno = ENOSPC;
            return -1;
        }
        length = std::min(length, *simulatedSpace);
    }
    const ssize_t written = ::write(fd, data, length);
    if (written > 0 && simulatedSpace && simulated)
        *simulatedSpace -= static_cast<size_t>(written);
    return written;
}

std::string Describe(const std::string& what, const std::filesystem::path& path, int code) {
    return what + " " + path.string() + ": " + std::strerror(code);
}

StorageError Failure(const std::string& what, const std::filesystem::path& path, int code) {
    return {code, Describe(what, path, code)};
}

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

bool SyncFolder(const std::filesystem::path& folder, StorageError& error) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = Failure("cannot open the folder", folder, errno);
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    const int code = errno;
    ::close(fd);
    if (!synced)
        error = Failure("cannot flush the folder", folder, code);
    return synced;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// The name of a temporary file of target's writes, without mkstemp's six
// characters.
std::string TemporaryPrefix(const std::filesystem::path& target) {
    return "." + target.filename().string() + ".saving-";
}

} // namespace

std::filesystem::path PathFromAnsi(const std::string& ansiPath) {
    return std::filesystem::path(platform::WideToUtf8(platform::Cp1251ToWide(ansiPath)));
}

FileRead ReadFileWithStamp(const std::filesystem::path& path, std::string& bytes, FileStamp& stamp,
                           StorageError& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return FileRead::Missing;
        error = Failure("cannot open", path, errno);
        return FileRead::Unreadable;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = Failure("cannot read", path, S_ISDIR(status.st_mode) ? EISDIR : errno);
        ::close(fd);
        return FileRead::Unreadable;
    }
    stamp = StampFrom(status);
    bytes.clear();
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = Failure("cannot read", path, errno);
            ::close(fd);
            return FileRead::Unreadable;
        }
        if (got == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    ::close(fd);
    return FileRead::Read;
}

std::optional<FileStamp> StampOf(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return StampFrom(status);
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         StorageError& error) {
    const std::filesystem::path folder = FolderOf(target);
    std::string temporary = (folder / (TemporaryPrefix(target) + "XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = Failure("cannot create a file in", folder, errno);
        return false;
    }

    auto fail = [&](StorageError reason) {
        error = std::move(reason);
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    };

    const bool simulated = UnderSimulatedFolder(folder);
    if (::fchmod(fd, NewFileMode(target, folder)) != 0)
        return fail(Failure("cannot set the permissions of", temporary, errno));
    for (size_t offset = 0; offset < bytes.size();) {
        const ssize_t written =
            WriteSome(fd, bytes.data() + offset, bytes.size() - offset, simulated);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return fail(Failure("cannot write", temporary, written < 0 ? errno : EIO));
        offset += static_cast<size_t>(written);
    }
    if (::fsync(fd) != 0)
        return fail(Failure("cannot flush", temporary, errno));
    if (::close(fd) != 0) {
        error = Failure("cannot close", temporary, errno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        error = Failure("cannot replace", target, errno);
        ::unlink(temporary.c_str());
        return false;
    }
    // Without this the rename itself may not survive a power cut.
    return SyncFolder(folder, error);
}

int RemoveUnfinishedWrites(const std::filesystem::path& target) {
    const std::string prefix = TemporaryPrefix(target);
    int removed = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(FolderOf(target), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix) ||
            !entry.is_regular_file(error))
            continue;
        if (::unlink(entry.path().c_str()) == 0)
            ++removed;
    }
    return removed;
}

std::filesystem::path StampedName(const std::filesystem::path& file, const std::string& label,
                                  int64_t calendarTime, int counter) {
    const std::time_t seconds = static_cast<std::time_t>(calendarTime);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%S", &local);
    std::string name = file.stem().string() + "." + label + "-" + stamp;
    if (counter > 1)
        name += "-" + std::to_string(counter);
    return file.parent_path() / (name + file.extension().string());
}

std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& file,
                                               int64_t calendarTime, std::string& error) {
    for (int counter = 1; counter < 1000; ++counter) {
        const std::filesystem::path aside = StampedName(file, "damaged", calendarTime, counter);
        int result = ::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
            // File systems without RENAME_NOREPLACE: link refuses an existing
            // name just the same.
            result = ::link(file.c_str(), aside.c_str());
            if (result == 0)
                ::unlink(file.c_str());
        }
        if (result == 0)
            return aside;
        if (errno != EEXIST) {
            error = Describe("cannot rename", file, errno);
            return std::nullopt;
        }
    }
    error = "too many damaged copies of " + file.string();
    return std::nullopt;
}

SimulatedDiskFull::SimulatedDiskFull(size_t bytesBeforeFull, std::filesystem::path onlyIn) {
    simulatedSpace = bytesBeforeFull;
    simulatedFolder = std::move(onlyIn);
}

SimulatedDiskFull::~SimulatedDiskFull() {
    simulatedSpace.reset();
    simulatedFolder.clear();
}
