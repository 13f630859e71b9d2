// The shared data folder over the XDG base directory rules.
#include "platform/folders/SharedFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace platform {

namespace {

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

} // namespace

std::optional<std::filesystem::path> SharedDataFolder() {
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

bool FolderExists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

bool CreateFolder(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return FolderExists(path);
}

} // namespace platform
