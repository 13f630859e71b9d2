// Tests of the shared data folder's rules.
#include "platform/folders/SharedFolder.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace platform {
namespace {

// Puts the variables back as they were, so that later tests see the real ones.
class SavedEnvironment {
public:
    SavedEnvironment() {
        for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
            if (const char* value = std::getenv(name))
                saved_.emplace_back(name, value);
            else
                saved_.emplace_back(name, std::nullopt);
    }
    ~SavedEnvironment() {
        for (const auto& [name, value] : saved_)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(SharedFolderTest, FollowsTheBaseDirectoryRules) {
    SavedEnvironment saved;
    ::setenv("HOME", "/home/teacher", 1);
    ::setenv("XDG_DATA_HOME", "/srv/classroom", 1);
    EXPECT_EQ(SharedDataFolder(), std::filesystem::path("/srv/classroom"));

    for (const char* ignored : {"", "relative/share"}) {
        ::setenv("XDG_DATA_HOME", ignored, 1);
        EXPECT_EQ(SharedDataFolder(), std::filesystem::path("/home/teacher/.local/share")) << ignored;
    }

    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("HOME");
    const passwd* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(SharedDataFolder(), std::filesystem::path(entry->pw_dir) / ".local" / "share");
}

TEST(SharedFolderTest, CreatesMissingParentsAndTellsFoldersFromFiles) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zel-folder-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path root = pattern;
    const std::filesystem::path nested = root / "a" / "b" / "ZUVR";

    EXPECT_FALSE(FolderExists(nested));
    EXPECT_TRUE(CreateFolder(nested));
    EXPECT_TRUE(FolderExists(nested));
    EXPECT_TRUE(CreateFolder(nested)) << "an existing folder is fine";

    const std::filesystem::path file = root / "file";
    { std::FILE* f = std::fopen(file.c_str(), "w"); std::fclose(f); }
    EXPECT_FALSE(FolderExists(file));
    EXPECT_FALSE(CreateFolder(file / "ZUVR"));
    std::filesystem::remove_all(root);
}

TEST(SharedFolderTest, KeepingFoldersStartWithTheUsersStateFolder) {
    SavedEnvironment saved;
    ::setenv("HOME", "/home/teacher", 1);
    ::setenv("XDG_STATE_HOME", "/srv/state", 1);
    std::vector<std::filesystem::path> folders = KeepingFolders();
    ASSERT_GE(folders.size(), 2u);
    EXPECT_EQ(folders[0], std::filesystem::path("/srv/state"));
    EXPECT_EQ(folders[1], std::filesystem::path("/var/tmp"));

    ::setenv("XDG_STATE_HOME", "relative", 1);
    EXPECT_EQ(KeepingFolders().front(), std::filesystem::path("/home/teacher/.local/state"));
}

} // namespace
} // namespace platform
