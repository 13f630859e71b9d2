// The workbook's file calls on Windows: files opened with every sharing mode,
// a file's identity from its volume and index, writes flushed with
// FlushFileBuffers and renames written through to the disk (MoveFileEx).
#include "platform/files/DiskFile.h"

#include "platform/TextCodec.h"

#include <algorithm>
#include <atomic>
#include <cerrno>

#include <windows.h>

namespace platform {

namespace {

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

int LastError() {
    return ErrnoFrom(GetLastError());
}

HANDLE Native(intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

intptr_t Kept(HANDLE handle) {
    return reinterpret_cast<intptr_t>(handle);
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

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

} // namespace

DiskFile DiskFile::OpenForReading(const std::filesystem::path& path, int& code) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    code = file == INVALID_HANDLE_VALUE ? LastError() : 0;
    return DiskFile(Kept(file));
}

DiskFile DiskFile::CreateTemporary(const std::filesystem::path& folder,
                                   const std::filesystem::path& prefix,
                                   std::filesystem::path& path, int& code) {
    // "<prefix><process>-<n>": CreateFileW's CREATE_NEW refuses a name taken.
    static std::atomic<unsigned> sequence{0};
    HANDLE created = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
        path = folder / (prefix.wstring() + std::to_wstring(GetCurrentProcessId()) + L"-" +
                         std::to_wstring(sequence++));
        created = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    code = created == INVALID_HANDLE_VALUE ? LastError() : 0;
    return DiskFile(Kept(created));
}

bool DiskFile::Stamp(FileStamp& stamp, int& code) const {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(Native(handle_), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        code = EISDIR;
        return false;
    }
    stamp = StampFrom(information);
    return true;
}

int DiskFile::Read(char* buffer, size_t length, size_t& got) {
    DWORD read = 0;
    if (!ReadFile(Native(handle_), buffer, DWORD(std::min<size_t>(length, 1u << 20)), &read,
                  nullptr))
        return LastError();
    got = read;
    return 0;
}

int DiskFile::Write(const char* data, size_t length, size_t& written) {
    DWORD wrote = 0;
    if (!WriteFile(Native(handle_), data, DWORD(std::min<size_t>(length, 1u << 20)), &wrote,
                   nullptr) ||
        wrote == 0)
        return LastError();
    written = wrote;
    return 0;
}

int DiskFile::Flush() {
    return FlushFileBuffers(Native(handle_)) ? 0 : LastError();
}

int DiskFile::Close() {
    if (handle_ == -1)
        return 0;
    const bool closed = CloseHandle(Native(handle_));
    handle_ = -1;
    return closed ? 0 : LastError();
}

int DiskFile::TakeModeFor(const std::filesystem::path&, const std::filesystem::path&) {
    // A new file takes its folder's access rules, which are what the shared
    // folder's readers need.
    return 0;
}

bool IsTemporaryName(const std::filesystem::path& name, const std::filesystem::path& prefix) {
    return name.native().starts_with(prefix.native());
}

std::optional<FileStamp> StampOfFile(const std::filesystem::path& path) {
    const HANDLE opened = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known =
        opened != INVALID_HANDLE_VALUE && GetFileInformationByHandle(opened, &information);
    if (opened != INVALID_HANDLE_VALUE)
        CloseHandle(opened);
    if (!known)
        return std::nullopt;
    return StampFrom(information);
}

int RenameOver(const std::filesystem::path& from, const std::filesystem::path& to) {
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : LastError();
}

int SyncFolder(const std::filesystem::path&, bool& opened) {
    // RenameOver's write-through already put the rename on the disk.
    opened = true;
    return 0;
}

int RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    // Without MOVEFILE_REPLACE_EXISTING an existing name is refused.
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) ? 0 : LastError();
}

bool RemoveFile(const std::filesystem::path& path) {
    return DeleteFileW(path.c_str()) != 0;
}

std::filesystem::path PathFromCp1251(const std::string& text) {
    return std::filesystem::path(Cp1251ToWide(text));
}

} // namespace platform
