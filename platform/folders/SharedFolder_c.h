// What the shared data folder's rules ask of the system: the environment, the
// system's own folders and permissions. SharedFolder.cpp holds the rules,
// SharedFolderLinux.cpp and SharedFolderWin32.cpp the answers. Internal to
// platform/folders.
#pragma once

#include <filesystem>
#include <optional>

namespace platform::folder_calls {

// The environment variable's value as a path; empty when it is not set.
std::filesystem::path FromEnvironment(const char* name);

// The system's machine-wide data folder, the one every account shares; none
// where only tests name one (MachineDataFolderOverride).
std::optional<std::filesystem::path> MachineFolder();

// Where an account keeps its data, and its state, when the environment does
// not say.
std::optional<std::filesystem::path> DefaultDataFolder();
std::optional<std::filesystem::path> DefaultStateFolder();

// The system's folder for temporary files that survive a restart, kept before
// the ordinary temporary folder; none where the system has none.
std::optional<std::filesystem::path> LastingTemporaryFolder();

// Called for each folder CreateFolder made, outermost first: opens it to its
// parent's group where the system's permissions ask for that.
void ShareLikeParent(const std::filesystem::path& folder);

} // namespace platform::folder_calls
