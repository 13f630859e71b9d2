// The shared data folder: the package's machine folder, else the XDG base
// directory rules.
#include "platform/folders/SharedFolder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <vector>

namespace platform {

namespace {

std::optional<std::filesystem::path> machineFolderOverride;

std::optional<std::filesystem::path> AbsoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/')
        return std::nullopt;
    return std::filesystem::path(value);
}

std::optional<std::filesystem::path> HomeFolder() {
    if (auto home = AbsoluteFromEnvironment("HOME"))
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr &&
                                                   entry->pw_dir[0] == '/')
        return std::filesystem::path(entry->pw_dir);
    return std::nullopt;
}

bool HasSetGroupId(const std::filesystem::path& folder) {
    struct stat status {};
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           (status.st_mode & S_ISGID) != 0;
}

} // namespace

std::optional<std::filesystem::path> SharedDataFolder() {
    const std::filesystem::path machine =
        machineFolderOverride ? *machineFolderOverride : std::filesystem::path(kMachineDataFolder);
    if (CanShareFilesIn(machine))
        return machine;
    // The base directory rules say a relative XDG_DATA_HOME is invalid and must
    // be ignored, not resolved against the current directory.
    if (auto data = AbsoluteFromEnvironment("XDG_DATA_HOME"))
        return data;
    if (auto home = HomeFolder())
        return *home / ".local" / "share";
    return std::nullopt;
}

std::vector<std::filesystem::path> KeepingFolders() {
    std::vector<std::filesystem::path> folders;
    if (auto state = AbsoluteFromEnvironment("XDG_STATE_HOME"))
        folders.push_back(*state);
    else if (auto home = HomeFolder())
        folders.push_back(*home / ".local" / "state");
    folders.emplace_back("/var/tmp");
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (!error && temporary != "/var/tmp")
        folders.push_back(temporary);
    return folders;
}

bool CanShareFilesIn(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    if ((status.st_mode & S_ISVTX) != 0)
        return false;
    // The effective ids decide what the save may do, so ask with them.
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
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
    for (const std::filesystem::path& folder : missing) {
        // Linux passes the set-group-ID bit and the group on to the new folder,
        // but the umask may still have taken the group's permissions.
        struct stat status {};
        if (HasSetGroupId(folder.parent_path()) && ::stat(folder.c_str(), &status) == 0)
            ::chmod(folder.c_str(), (status.st_mode & 07777) | S_IRWXG | S_ISGID);
    }
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
