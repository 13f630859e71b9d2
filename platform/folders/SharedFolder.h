// The machine's folder for data that outlives a run (the report workbooks), and
// the two file-system questions asked about it: does a folder exist, and can it
// be created.
//
// The workbook is meant to be one per computer, whoever is logged in. The
// package makes a machine-wide folder for it, owned by the group "zeltarik"
// with the set-group-ID bit and no sticky bit (mode 2775): every member of the
// group may create files there and replace the files another member wrote,
// which the atomic save needs, since it renames a new file over the old one.
// A sticky folder (like /tmp) would refuse that rename for another account's
// workbook. Accounts outside the group, and machines without the package, keep
// their own folder under the XDG data home.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace platform {

// The folder the package makes; the name of its group is the package's name.
inline constexpr const char* kMachineDataFolder = "/var/lib/zeltarik";

// The machine folder when this account may share files in it (see
// CanShareFilesIn); otherwise $XDG_DATA_HOME when it names an absolute path,
// else ~/.local/share (the home folder from $HOME or, failing that, the
// password database). None when none of them can be found.
std::optional<std::filesystem::path> SharedDataFolder();

// Where the program keeps data that could not be written to the shared folder
// (a read-only share, a full disk), most private first: the user's state
// folder ($XDG_STATE_HOME when absolute, else ~/.local/state), then the
// machine's folder for temporary files that survive a restart (/var/tmp), then
// the ordinary temporary folder. None of them need exist yet.
std::vector<std::filesystem::path> KeepingFolders();

// True when path is a directory in which this account may create files and
// rename them over files of other accounts: searchable and writable by the
// process's effective ids, and without the sticky bit.
bool CanShareFilesIn(const std::filesystem::path& path);

// True when path names a directory (a symbolic link to one counts).
bool FolderExists(const std::filesystem::path& path);

// Creates the directory with any missing parents; true when it exists
// afterwards. ~/.local/share is missing on a fresh account, so the parents
// have to be made too. A folder made inside a set-group-ID folder stays open to
// the group whatever the umask, so that a report folder recreated inside the
// machine folder is shared like the one the package made.
bool CreateFolder(const std::filesystem::path& path);

// While one exists, SharedDataFolder looks for the machine folder at the given
// path instead of kMachineDataFolder, so that tests never use the machine's own.
class MachineDataFolderOverride {
public:
    explicit MachineDataFolderOverride(std::filesystem::path path);
    ~MachineDataFolderOverride();
    MachineDataFolderOverride(const MachineDataFolderOverride&) = delete;
    MachineDataFolderOverride& operator=(const MachineDataFolderOverride&) = delete;

private:
    std::optional<std::filesystem::path> previous_;
};

} // namespace platform
