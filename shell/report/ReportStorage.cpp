// Atomic file replacement and the damaged-file shelf: the names of the files
// a save makes and sets aside, the order of its steps and its error texts,
// over the system's file calls (platform/files/DiskFile.h).
#include "shell/report/ReportStorage.h"

#include <algorithm>
#include <cerrno>
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

std::string Describe(const std::string& what, const std::filesystem::path& path, int code) {
    return what + " " + path.string() + ": " + std::strerror(code);
}

StorageError Failure(const std::string& what, const std::filesystem::path& path, int code) {
    return {code, Describe(what, path, code)};
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// How the temporary files of target's writes begin; the system's file calls
// add an ending of their own.
std::filesystem::path TemporaryPrefix(const std::filesystem::path& target) {
    std::filesystem::path prefix = ".";
    prefix += target.filename();
    prefix += ".saving-";
    return prefix;
}

} // namespace

std::filesystem::path PathFromAnsi(const std::string& ansiPath) {
    return platform::PathFromCp1251(ansiPath);
}

FileRead ReadFileWithStamp(const std::filesystem::path& path, std::string& bytes, FileStamp& stamp,
                           StorageError& error) {
    int code = 0;
    platform::DiskFile file = platform::DiskFile::OpenForReading(path, code);
    if (!file) {
        if (code == ENOENT || code == ENOTDIR)
            return FileRead::Missing;
        error = Failure("cannot open", path, code);
        return FileRead::Unreadable;
    }
    if (!file.Stamp(stamp, code)) {
        error = Failure("cannot read", path, code);
        return FileRead::Unreadable;
    }
    bytes.clear();
    char buffer[64 * 1024];
    for (;;) {
        size_t got = 0;
        if ((code = file.Read(buffer, sizeof buffer, got)) != 0) {
            error = Failure("cannot read", path, code);
            return FileRead::Unreadable;
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    return FileRead::Read;
}

std::optional<FileStamp> StampOf(const std::filesystem::path& path) {
    return platform::StampOfFile(path);
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         StorageError& error) {
    const std::filesystem::path folder = FolderOf(target);
    std::filesystem::path temporary;
    int code = 0;
    platform::DiskFile file =
        platform::DiskFile::CreateTemporary(folder, TemporaryPrefix(target), temporary, code);
    if (!file) {
        error = Failure("cannot create a file in", folder, code);
        return false;
    }

    auto fail = [&](StorageError reason) {
        error = std::move(reason);
        file.Close();
        platform::RemoveFile(temporary);
        return false;
    };

    const bool simulated = UnderSimulatedFolder(folder);
    if ((code = file.TakeModeFor(target, folder)) != 0)
        return fail(Failure("cannot set the permissions of", temporary, code));
    for (size_t offset = 0; offset < bytes.size();) {
        size_t length = bytes.size() - offset;
        if (simulatedSpace && simulated) {
            if (*simulatedSpace == 0)
                return fail(Failure("cannot write", temporary, ENOSPC));
            length = std::min(length, *simulatedSpace);
        }
        size_t written = 0;
        if ((code = file.Write(bytes.data() + offset, length, written)) != 0 || written == 0)
            return fail(Failure("cannot write", temporary, code != 0 ? code : EIO));
        if (simulatedSpace && simulated)
            *simulatedSpace -= written;
        offset += written;
    }
    if ((code = file.Flush()) != 0)
        return fail(Failure("cannot flush", temporary, code));
    if ((code = file.Close()) != 0) {
        error = Failure("cannot close", temporary, code);
        platform::RemoveFile(temporary);
        return false;
    }
    if ((code = platform::RenameOver(temporary, target)) != 0) {
        error = Failure("cannot replace", target, code);
        platform::RemoveFile(temporary);
        return false;
    }
    // Without this the rename itself may not survive a power cut.
    bool opened = false;
    if ((code = platform::SyncFolder(folder, opened)) != 0) {
        error = Failure(opened ? "cannot flush the folder" : "cannot open the folder", folder, code);
        return false;
    }
    return true;
}

int RemoveUnfinishedWrites(const std::filesystem::path& target) {
    // A save still going on elsewhere on Windows keeps its file open without
    // sharing, so removing that one fails and leaves it alone.
    const std::filesystem::path prefix = TemporaryPrefix(target);
    int removed = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(FolderOf(target), error)) {
        if (!platform::IsTemporaryName(entry.path().filename(), prefix) ||
            !entry.is_regular_file(error))
            continue;
        if (platform::RemoveFile(entry.path()))
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
    std::filesystem::path name = file.stem();
    name += "." + label + "-" + stamp;
    if (counter > 1)
        name += "-" + std::to_string(counter);
    name += file.extension();
    return file.parent_path() / name;
}

std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& file,
                                               int64_t calendarTime, std::string& error) {
    for (int counter = 1; counter < 1000; ++counter) {
        const std::filesystem::path aside = StampedName(file, "damaged", calendarTime, counter);
        const int code = platform::RenameWithoutReplacing(file, aside);
        if (code == 0)
            return aside;
        if (code != EEXIST) {
            error = Describe("cannot rename", file, code);
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
