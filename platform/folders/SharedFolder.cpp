// The shared data folder's rules, the same on every system: a folder the test
// names, else the system's machine folder, else the environment's, else the
// account's own. The system's answers come from SharedFolderLinux.cpp or
// SharedFolderWin32.cpp.
#include "platform/folders/SharedFolder.h"

#include "platform/folders/SharedFolder_c.h"

#include <system_error>
#include <vector>

namespace platform {

namespace {

std::optional<std::filesystem::path> machineFolderOverride;

// The base directory rules say a relative path there is invalid and must be
// ignored, not resolved against the current directory.
std::optional<std::filesystem::path> AbsoluteFromEnvironment(const char* name) {
    std::filesystem::path path = folder_calls::FromEnvironment(name);
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

} // namespace

std::optional<std::filesystem::path> SharedDataFolder() {
    const std::optional<std::filesystem::path> machine =
        machineFolderOverride ? machineFolderOverride : folder_calls::MachineFolder();
    if (machine && CanShareFilesIn(*machine))
        return machine;
    if (auto data = AbsoluteFromEnvironment("XDG_DATA_HOME"))
        return data;
    return folder_calls::DefaultDataFolder();
}

std::vector<std::filesystem::path> KeepingFolders() {
    std::vector<std::filesystem::path> folders;
    if (auto state = AbsoluteFromEnvironment("XDG_STATE_HOME"))
        folders.push_back(*state);
    else if (auto own = folder_calls::DefaultStateFolder())
        folders.push_back(*own);
    const std::optional<std::filesystem::path> lasting = folder_calls::LastingTemporaryFolder();
    if (lasting)
        folders.push_back(*lasting);
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (!error && temporary != lasting)
        folders.push_back(temporary);
    return folders;
}

bool FolderExists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool CreateFolder(const std::filesystem::path& path) {
    // The folders about to be made, outermost first.
    std::vector<std::filesystem::path> missing;
    for (std::filesystem::path folder = path; !folder.empty() && !FolderExists(folder);
         folder = folder.parent_path()) {
        missing.insert(missing.begin(), folder);
        if (folder == folder.parent_path())
            break;
    }

    std::error_code error;
    std::filesystem::create_directories(path, error);
    for (const std::filesystem::path& folder : missing)
        folder_calls::ShareLikeParent(folder);
    return FolderExists(path);
}

MachineDataFolderOverride::MachineDataFolderOverride(std::filesystem::path path)
    : previous_(machineFolderOverride) {
    machineFolderOverride = std::move(path);
}

MachineDataFolderOverride::~MachineDataFolderOverride() {
    machineFolderOverride = previous_;
}

} // namespace platform
