// Tests of the shared data folder's rules.
#include "platform/folders/SharedFolder.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <stdexcept>
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

std::filesystem::path MakeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zel-folder-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a test folder");
    // Other accounts of the tests below must be able to reach inside.
    ::chmod(pattern.c_str(), 0755);
    return pattern;
}

// The unprivileged account the tests act as when they run as root: its own
// primary group, and the group that owns the shared folders as a
// supplementary one, as for a child's account added to the package's group.
constexpr uid_t kPupil = 60001;
constexpr gid_t kPupilGroup = 60001;
constexpr gid_t kClassGroup = 60000;

// Runs the check in a child process under a pupil's account when the test
// runs as root (where every folder would be writable), under the test's own
// account otherwise. The child's exit status is the check's result.
bool AsPupil(const std::function<bool()>& check) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const gid_t groups[] = {kClassGroup};
        if (::geteuid() == 0 &&
            (::setgroups(1, groups) != 0 || ::setresgid(kPupilGroup, kPupilGroup, kPupilGroup) != 0 ||
             ::setresuid(kPupil, kPupil, kPupil) != 0))
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Makes a folder as the package makes the machine folder: owned by the class
// group (the test's own group when not root), with the given mode.
void MakeFolder(const std::filesystem::path& path, mode_t mode) {
    std::filesystem::create_directories(path);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 0, kClassGroup), 0);
    }
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

TEST(SharedFolderTest, FollowsTheBaseDirectoryRules) {
    SavedEnvironment saved;
    MachineDataFolderOverride noMachineFolder("/nonexistent/zeltarik");
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
    const std::filesystem::path root = MakeTemporaryFolder();
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

// The machine folder is taken only where every member of its group can create a
// workbook and rename a new one over another account's: anything else falls
// back to the account's own folder.
TEST(SharedFolderTest, TakesTheMachineFolderOnlyWhereItsGroupCanReplaceEachOthersFiles) {
    SavedEnvironment saved;
    const std::filesystem::path root = MakeTemporaryFolder();
    ::setenv("XDG_DATA_HOME", (root / "own").c_str(), 1);
    struct Case {
        const char* what;
        std::optional<mode_t> mode; // none: no folder at all
        bool shared;
    };
    const Case cases[] = {
        {"as the package makes it", 02775, true},
        {"missing", std::nullopt, false},
        {"not writable by the group", 02755, false},
        {"sticky, so other accounts' files could not be replaced", 03775, false},
        {"sticky and writable by everyone, like /tmp", 01777, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::filesystem::path machine = root / ("machine" + std::to_string(index++));
        if (c.mode)
            MakeFolder(machine, *c.mode);
        MachineDataFolderOverride override(machine);
        const std::filesystem::path expected = c.shared ? machine : root / "own";
        EXPECT_TRUE(AsPupil([&] { return SharedDataFolder() == expected; })) << c.what;
    }

    // A plain file where the folder should be.
    { std::FILE* f = std::fopen((root / "file").c_str(), "w"); std::fclose(f); }
    MachineDataFolderOverride file(root / "file");
    EXPECT_EQ(SharedDataFolder(), root / "own");
    std::filesystem::remove_all(root);
}

TEST(SharedFolderTest, AFolderMadeInsideASetGroupIdFolderStaysOpenToTheGroup) {
    const std::filesystem::path root = MakeTemporaryFolder();
    const std::filesystem::path machine = root / "machine";
    MakeFolder(machine, 02775);
    struct stat machineStatus {};
    ASSERT_EQ(::stat(machine.c_str(), &machineStatus), 0);
    EXPECT_TRUE(AsPupil([&] {
        ::umask(077);
        if (!CreateFolder(machine / "ZUVR" / "inner"))
            return false;
        for (const auto& made : {machine / "ZUVR", machine / "ZUVR" / "inner"}) {
            struct stat status {};
            if (::stat(made.c_str(), &status) != 0 || (status.st_mode & 07777) != 02770 ||
                status.st_gid != machineStatus.st_gid)
                return false;
        }
        return true;
    }));
    // Outside such a folder the umask is left to decide.
    const mode_t previous = ::umask(022);
    ASSERT_TRUE(CreateFolder(root / "plain" / "ZUVR"));
    ::umask(previous);
    struct stat status {};
    ASSERT_EQ(::stat((root / "plain" / "ZUVR").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0755u);
    std::filesystem::remove_all(root);
}

} // namespace
} // namespace platform
