// The workbook's file operations (shell/report/ReportStorage.h) on Windows:
// reading with a stamp of the file's identity, replacing a file whole through
// a new file in the same folder renamed over it (MoveFileEx, written through
// to the disk), and setting a damaged file aside under a new name. The Linux
// side of the same interface is shell/report/ReportStorage.cpp.
#include "shell/report/ReportStorage.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

#include <windows.h>

namespace {

std::optional<size_t> simulatedSpace;
std::filesystem::path simulatedFolder;

bool UnderSimulatedFolder(const std::filesystem::path& folder) {
    if (simulatedFolder.empty())
        return true;
    std::error_code error;
    return std::filesystem::equivalent(folder, simulatedFolder, error);
}

// Windows' error numbers as the C library's, which the callers compare with.
int ErrnoFrom(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    default:
        return EIO;
    }
}

std::string Describe(const std::string& what, const std::filesystem::path& path, int code) {
    return what + " " + path.string() + ": " + std::strerror(code);
}

StorageError Failure(const std::string& what, const std::filesystem::path& path, int code) {
    return {code, Describe(what, path, code)};
}

FileStamp StampFrom(const BY_HANDLE_FILE_INFORMATION& information) {
    const int64_t size =
        (int64_t(information.nFileSizeHigh) << 32) | int64_t(information.nFileSizeLow);
    const int64_t ticks = (int64_t(information.ftLastWriteTime.dwHighDateTime) << 32) |
                          int64_t(information.ftLastWriteTime.dwLowDateTime);
    return {information.dwVolumeSerialNumber,
            (uint64_t(information.nFileIndexHigh) << 32) | information.nFileIndexLow, size,
            ticks * 100};
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() { Close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }
    bool Close() {
        const bool closed = !Valid() || CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

} // namespace

std::filesystem::path PathFromAnsi(const std::string& ansiPath) {
    return std::filesystem::path(platform::Cp1251ToWide(ansiPath));
}

FileRead ReadFileWithStamp(const std::filesystem::path& path, std::string& bytes, FileStamp& stamp,
                           StorageError& error) {
    Handle file(CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.Valid()) {
        const int code = ErrnoFrom(GetLastError());
        if (code == ENOENT || code == ENOTDIR)
            return FileRead::Missing;
        error = Failure("cannot open", path, code);
        return FileRead::Unreadable;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file.Get(), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = Failure("cannot read", path, EISDIR);
        return FileRead::Unreadable;
    }
    stamp = StampFrom(information);
    bytes.clear();
    char buffer[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
            error = Failure("cannot read", path, ErrnoFrom(GetLastError()));
            return FileRead::Unreadable;
        }
        if (got == 0)
            break;
        bytes.append(buffer, got);
    }
    return FileRead::Read;
}

std::optional<FileStamp> StampOf(const std::filesystem::path& path) {
    Handle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &information))
        return std::nullopt;
    return StampFrom(information);
}

bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         StorageError& error) {
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    static std::atomic<unsigned> sequence{0};
    std::filesystem::path temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = folder / (L"." + target.filename().wstring() + L".saving-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(sequence++));
        created = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    Handle file(created);
    if (!file.Valid()) {
        error = Failure("cannot create a file in", folder, ErrnoFrom(GetLastError()));
        return false;
    }
    auto fail = [&](StorageError reason) {
        error = std::move(reason);
        file.Close();
        DeleteFileW(temporary.c_str());
        return false;
    };

    const bool simulated = UnderSimulatedFolder(folder);
    for (size_t offset = 0; offset < bytes.size();) {
        DWORD length = DWORD(std::min<size_t>(bytes.size() - offset, 1u << 20));
        if (simulatedSpace && simulated) {
            if (*simulatedSpace == 0)
                return fail(Failure("cannot write", temporary, ENOSPC));
            length = DWORD(std::min<size_t>(length, *simulatedSpace));
        }
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data() + offset, length, &written, nullptr) ||
            written == 0)
            return fail(Failure("cannot write", temporary, ErrnoFrom(GetLastError())));
        if (simulatedSpace && simulated)
            *simulatedSpace -= written;
        offset += written;
    }
    if (!FlushFileBuffers(file.Get()))
        return fail(Failure("cannot flush", temporary, ErrnoFrom(GetLastError())));
    if (!file.Close()) {
        error = Failure("cannot close", temporary, ErrnoFrom(GetLastError()));
        DeleteFileW(temporary.c_str());
        return false;
    }
    // Write-through: the rename is on the disk when the call returns.
    if (!MoveFileExW(temporary.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = Failure("cannot replace", target, ErrnoFrom(GetLastError()));
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

std::filesystem::path StampedName(const std::filesystem::path& file, const std::string& label,
                                  int64_t calendarTime, int counter) {
    const std::time_t seconds = static_cast<std::time_t>(calendarTime);
    std::tm local{};
    localtime_s(&local, &seconds);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%S", &local);
    std::wstring name = file.stem().wstring() + platform::Utf8ToWide("." + label + "-" + stamp);
    if (counter > 1)
        name += L"-" + std::to_wstring(counter);
    return file.parent_path() / (name + file.extension().wstring());
}

std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& file,
                                               int64_t calendarTime, std::string& error) {
    for (int counter = 1; counter < 1000; ++counter) {
        const std::filesystem::path aside = StampedName(file, "damaged", calendarTime, counter);
        // Without MOVEFILE_REPLACE_EXISTING an existing name is refused.
        if (MoveFileExW(file.c_str(), aside.c_str(), MOVEFILE_WRITE_THROUGH))
            return aside;
        const int code = ErrnoFrom(GetLastError());
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

int RemoveUnfinishedWrites(const std::filesystem::path& target) {
    // What a save killed half-way left: ".<name>.saving-<process>-<n>". A save
    // still going on elsewhere keeps its file open without sharing, so
    // DeleteFileW leaves that one alone.
    const std::wstring prefix = L"." + target.filename().wstring() + L".saving-";
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    int removed = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::wstring name = entry.path().filename().wstring();
        if (!name.starts_with(prefix) || !entry.is_regular_file(error))
            continue;
        if (DeleteFileW(entry.path().c_str()))
            ++removed;
    }
    return removed;
}
