// Putting a workbook on disk so that the previous copy survives every failure:
// atomic replacement of the file, and moving a damaged file aside under a name
// of its own.
#pragma once

#include "platform/files/DiskFile.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The file-system path of the program's 8-bit (Windows-1251) path text.
std::filesystem::path PathFromAnsi(const std::string& ansiPath);

// Why a file operation failed: the system's error number and a sentence for
// the log.
struct StorageError {
    int code = 0;
    std::string text;
};

// Which version of a file was seen: a replaced file is a new file (another
// inode), and a file changed in place has another size or time.
using FileStamp = platform::FileStamp;

enum class FileRead { Missing, Read, Unreadable };

// Reads the whole file with the stamp of exactly the version read.
FileRead ReadFileWithStamp(const std::filesystem::path& path, std::string& bytes, FileStamp& stamp,
                           StorageError& error);

// The stamp of the file there now; none when there is none.
std::optional<FileStamp> StampOf(const std::filesystem::path& path);

// Replaces target with bytes: writes a temporary file in target's folder,
// flushes it to disk, renames it over target and flushes the folder. A
// symbolic link at target is replaced by the file, never written through. A
// file replaced keeps its permissions, a new one gets those of the umask; in a
// set-group-ID folder either is also readable and writable by the group. On
// failure target is left as it was, the temporary file is removed, error says
// why, and the result is false.
bool WriteFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                         StorageError& error);

// Removes the temporary files that writes of target which never finished (the
// program was killed, the machine lost power) left in target's folder. Only
// for a caller that holds target's lock, under which nobody else is writing
// one. Returns how many went.
int RemoveUnfinishedWrites(const std::filesystem::path& target);

// "<stem>.<label>-YYYY-MM-DDTHH-MM-SS<extension>" beside file, stamped with the
// calendar time in local time; a counter above 1 adds "-<counter>".
std::filesystem::path StampedName(const std::filesystem::path& file, const std::string& label,
                                  int64_t calendarTime, int counter);

// Renames file to "<stem>.damaged-YYYY-MM-DDTHH-MM-SS<extension>" beside it,
// stamped with the given calendar time in local time, adding "-2", "-3" … when
// that name is taken; an existing file is never replaced. Returns the new path,
// or none with error set.
std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& file,
                                               int64_t calendarTime, std::string& error);

// While one exists, the writes of WriteFileAtomically fail with "no space left
// on device" once bytesBeforeFull bytes have gone out, as on a full disk; with
// a folder, only the writes of files inside it (a full share beside a disk
// with room).
class SimulatedDiskFull {
public:
    explicit SimulatedDiskFull(size_t bytesBeforeFull, std::filesystem::path onlyIn = {});
    ~SimulatedDiskFull();
    SimulatedDiskFull(const SimulatedDiskFull&) = delete;
    SimulatedDiskFull& operator=(const SimulatedDiskFull&) = delete;
};
