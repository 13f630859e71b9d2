// The machine's folder for data that outlives a run (the report workbooks), and
// the two file-system questions asked about it: does a folder exist, and can it
// be created.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace platform {

// $XDG_DATA_HOME when it names an absolute path, else ~/.local/share (the home
// folder from $HOME or, failing that, the password database). None when
// neither can be found.
std::optional<std::filesystem::path> SharedDataFolder();

// Where the program keeps data that could not be written to the shared folder
// (a read-only share, a full disk), most private first: the user's state
// folder ($XDG_STATE_HOME when absolute, else ~/.local/state), then the
// machine's folder for temporary files that survive a restart (/var/tmp), then
// the ordinary temporary folder. None of them need exist yet.
std::vector<std::filesystem::path> KeepingFolders();

// True when path names a directory (a symbolic link to one counts).
bool FolderExists(const std::filesystem::path& path);

// Creates the directory with any missing parents; true when it exists
// afterwards. ~/.local/share is missing on a fresh account, so the parents
// have to be made too.
bool CreateFolder(const std::filesystem::path& path);

} // namespace platform
