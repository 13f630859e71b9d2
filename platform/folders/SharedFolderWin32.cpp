// The shared data folder on Windows: the common application-data folder
// (CSIDL_COMMON_APPDATA, C:\ProgramData), where every account of the machine
// keeps the one workbook, as the program was designed for.
//
// Tests point the machine folder elsewhere with MachineDataFolderOverride;
// XDG_DATA_HOME and XDG_STATE_HOME, when they name absolute paths, move the
// shared and the keeping folders as on Linux, which is how a test tells a
// program it starts.
#include "platform/folders/SharedFolder.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <system_error>

namespace platform {
namespace {

std::optional<std::filesystem::path> machineFolderOverride;

std::optional<std::filesystem::path> KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return std::nullopt;
    return std::filesystem::path(path);
}

std::optional<std::filesystem::path> AbsoluteFromEnvironment(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    if (value == nullptr || *value == 0)
        return std::nullopt;
    std::filesystem::path path(value);
    if (!path.is_absolute())
        return std::nullopt;
    return path;
}

} // namespace

std::optional<std::filesystem::path> SharedDataFolder() {
    if (machineFolderOverride && CanShareFilesIn(*machineFolderOverride))
        return machineFolderOverride;
    if (auto data = AbsoluteFromEnvironment(L"XDG_DATA_HOME"))
        return data;
    return KnownFolder(CSIDL_COMMON_APPDATA);
}

std::vector<std::filesystem::path> KeepingFolders() {
    std::vector<std::filesystem::path> folders;
    if (auto state = AbsoluteFromEnvironment(L"XDG_STATE_HOME"))
        folders.push_back(*state);
    else if (auto local = KnownFolder(CSIDL_LOCAL_APPDATA))
        folders.push_back(*local);
    std::error_code error;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(error);
    if (!error)
        folders.push_back(temporary);
    return folders;
}

bool CanShareFilesIn(const std::filesystem::path& path) {
    // Windows has no bit that says so: the folder is shared when a file can be
    // made in it, which is what the save does next.
    if (!FolderExists(path))
        return false;
    wchar_t probe[MAX_PATH] = {};
    if (GetTempFileNameW(path.c_str(), L"zel", 0, probe) == 0)
        return false;
    DeleteFileW(probe);
    return true;
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

MachineDataFolderOverride::MachineDataFolderOverride(std::filesystem::path path)
    : previous_(machineFolderOverride) {
    machineFolderOverride = std::move(path);
}

MachineDataFolderOverride::~MachineDataFolderOverride() {
    machineFolderOverride = previous_;
}

} // namespace platform
