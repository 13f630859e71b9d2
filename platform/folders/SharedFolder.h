// The machine's folder for data that outlives a run (the report workbooks), and
// the two file-system questions asked about it: does a folder exist, and can it
// be created.
#pragma once

#include <filesystem>
#include <optional>

namespace platform {

// $XDG_DATA_HOME when it names an absolute path, else ~/.local/share (the home
// folder from $HOME or, failing that, the password database). None when
// neither can be found.
std::optional<std::filesystem::path> SharedDataFolder();

// True when path names a directory (a symbolic link to one counts).
bool FolderExists(const std::filesystem::path& path);

// Creates the directory with any missing parents; true when it exists
// afterwards. ~/.local/share is missing on a fresh account, so the parents
// have to be made too.
bool CreateFolder(const std::filesystem::path& path);

} // namespace platform
