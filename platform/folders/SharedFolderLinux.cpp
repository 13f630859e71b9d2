// The shared data folder's system side on Linux: the package's machine folder
// and the XDG base directory rules.
#include "platform/folders/SharedFolder.h"
#include "platform/folders/SharedFolder_c.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {

namespace {

std::optional<std::filesystem::path> HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/')
        return std::filesystem::path(home);
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

namespace folder_calls {

std::filesystem::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::filesystem::path(value) : std::filesystem::path();
}

std::optional<std::filesystem::path> MachineFolder() {
    return std::filesystem::path(kMachineDataFolder);
}

std::optional<std::filesystem::path> DefaultDataFolder() {
    if (auto home = HomeFolder())
        return *home / ".local" / "share";
    return std::nullopt;
}

std::optional<std::filesystem::path> DefaultStateFolder() {
    if (auto home = HomeFolder())
        return *home / ".local" / "state";
    return std::nullopt;
}

std::optional<std::filesystem::path> LastingTemporaryFolder() {
    return std::filesystem::path("/var/tmp");
}

void ShareLikeParent(const std::filesystem::path& folder) {
    // Linux passes the set-group-ID bit and the group on to the new folder,
    // but the umask may still have taken the group's permissions.
    struct stat status {};
    if (HasSetGroupId(folder.parent_path()) && ::stat(folder.c_str(), &status) == 0)
        ::chmod(folder.c_str(), (status.st_mode & 07777) | S_IRWXG | S_ISGID);
}

} // namespace folder_calls

bool CanShareFilesIn(const std::filesystem::path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return false;
    if ((status.st_mode & S_ISVTX) != 0)
        return false;
    // The effective ids decide what the save may do, so ask with them.
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

} // namespace platform
