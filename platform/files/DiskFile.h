// The system's file calls under the workbook's storage (shell/report): an open
// file that reads, writes and flushes to the disk, the stamp of a file's
// version, a new temporary file, replacing and renaming. Every call answers
// with the C library's error number, 0 when it succeeded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform {

// Which version of a file was seen: a replaced file is a new file (another
// inode), and a file changed in place has another size or time.
struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNanoseconds = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// An open file, closed when it goes.
class DiskFile {
public:
    DiskFile() = default;
    ~DiskFile();
    DiskFile(DiskFile&& other) noexcept;
    DiskFile& operator=(DiskFile&& other) noexcept;
    DiskFile(const DiskFile&) = delete;
    DiskFile& operator=(const DiskFile&) = delete;

    explicit operator bool() const { return handle_ != -1; }

    // Opens an existing file (or folder) for reading; ENOENT or ENOTDIR where
    // there is none.
    static DiskFile OpenForReading(const std::filesystem::path& path, int& code);

    // Makes a new file for writing in folder, named prefix and an ending of the
    // system's that no file there has; path gets its whole name.
    static DiskFile CreateTemporary(const std::filesystem::path& folder,
                                    const std::filesystem::path& prefix,
                                    std::filesystem::path& path, int& code);

    // The stamp of the open file; false when it is not a regular file, with
    // EISDIR for a folder, else the system's error number.
    bool Stamp(FileStamp& stamp, int& code) const;
    // Up to length bytes into buffer; got is 0 at the end of the file.
    int Read(char* buffer, size_t length, size_t& got);
    // Up to length bytes from data; written may be less.
    int Write(const char* data, size_t length, size_t& written);
    // Puts what was written on the disk.
    int Flush();
    // Closes the file; a file that is not open closes at once.
    int Close();

    // Gives a new file the permissions the file it will replace, target, has
    // (a new target the umask's), opened to the group in a set-group-ID folder.
    // On Windows a new file already has its folder's access rules.
    int TakeModeFor(const std::filesystem::path& target, const std::filesystem::path& folder);

private:
    explicit DiskFile(intptr_t handle) : handle_(handle) {}

    // A descriptor on Linux, a handle on Windows.
    intptr_t handle_ = -1;
};

// Whether name is one CreateTemporary made with prefix.
bool IsTemporaryName(const std::filesystem::path& name, const std::filesystem::path& prefix);

// The stamp of the file there now (through a symbolic link); none when there is none.
std::optional<FileStamp> StampOfFile(const std::filesystem::path& path);

// Renames from over to, replacing a file there, on the disk once the call
// returns where the system can promise that (Windows' write-through).
int RenameOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Puts the folder's last renames on the disk where RenameOver could not
// (Linux); opened tells whether the error came from opening the folder or from
// flushing it.
int SyncFolder(const std::filesystem::path& folder, bool& opened);

// Renames from to to, refusing with EEXIST when to exists.
int RenameWithoutReplacing(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes the file; false when it could not.
bool RemoveFile(const std::filesystem::path& path);

// The path of the program's 8-bit (Windows-1251) path text.
std::filesystem::path PathFromCp1251(const std::string& text);

} // namespace platform
