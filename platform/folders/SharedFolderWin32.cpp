// The shared data folder's system side on Windows: the common application-data
// folder (CSIDL_COMMON_APPDATA, C:\ProgramData), where every account of the
// machine keeps the one workbook, as the program was designed for.
//
// Tests point the machine folder elsewhere with MachineDataFolderOverride;
// XDG_DATA_HOME and XDG_STATE_HOME, when they name absolute paths, move the
// shared and the keeping folders as on Linux, which is how a test tells a
// program it starts.
#include "platform/folders/SharedFolder.h"
#include "platform/folders/SharedFolder_c.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <string>

namespace platform {

namespace {

std::optional<std::filesystem::path> KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return std::nullopt;
    return std::filesystem::path(path);
}

} // namespace

namespace folder_calls {

std::filesystem::path FromEnvironment(const char* name) {
    // The names are ASCII; the values are read wide, whatever the code page.
    const std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wideName.c_str());
    return value ? std::filesystem::path(value) : std::filesystem::path();
}

std::optional<std::filesystem::path> MachineFolder() {
    return std::nullopt;
}

std::optional<std::filesystem::path> DefaultDataFolder() {
    return KnownFolder(CSIDL_COMMON_APPDATA);
}

std::optional<std::filesystem::path> DefaultStateFolder() {
    return KnownFolder(CSIDL_LOCAL_APPDATA);
}

std::optional<std::filesystem::path> LastingTemporaryFolder() {
    return std::nullopt;
}

void ShareLikeParent(const std::filesystem::path&) {
    // A new folder inherits its parent's access rules.
}

} // namespace folder_calls

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

} // namespace platform
