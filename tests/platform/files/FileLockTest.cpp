// The replacing lock between two programs and within one: a held lock keeps
// the other waiting, is given up when its holder ends however it ends, and a
// wait that runs out says so.
#include "platform/files/FileLock.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>

namespace platform {
namespace {

using namespace std::chrono_literals;

class FileLockTest : public testing::Test {
protected:
    FileLockTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zel-lock-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot create a test folder");
        folder = pattern;
        file = folder / u8"Книга.xls";
    }
    ~FileLockTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    FileLock Lock(std::chrono::milliseconds patience) {
        error.clear();
        code = 0;
        return LockForReplacing(file, patience, error, code);
    }

    // A child process that takes the lock, reports it through a pipe and then
    // holds it for `hold` (or until killed).
    pid_t HolderProcess(std::chrono::milliseconds hold) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            std::string childError;
            int childCode = 0;
            FileLock lock = LockForReplacing(file, 5s, childError, childCode);
            const char byte = lock ? 1 : 0;
            (void)::write(ready[1], &byte, 1);
            ::usleep(static_cast<useconds_t>(std::chrono::microseconds(hold).count()));
            ::_exit(0);
        }
        char byte = 0;
        EXPECT_EQ(::read(ready[0], &byte, 1), 1);
        EXPECT_EQ(byte, 1) << "the holder took the lock";
        ::close(ready[0]);
        ::close(ready[1]);
        return child;
    }

    std::filesystem::path folder;
    std::filesystem::path file;
    std::string error;
    int code = 0;
};

TEST_F(FileLockTest, AnotherProgramsLockKeepsUsWaitingUntilItIsReleased) {
    const pid_t holder = HolderProcess(400ms);

    EXPECT_FALSE(Lock(50ms));
    EXPECT_EQ(code, EWOULDBLOCK);
    EXPECT_NE(error.find("locked for too long"), std::string::npos) << error;

    const auto start = std::chrono::steady_clock::now();
    FileLock lock = Lock(10s);
    EXPECT_TRUE(lock) << error;
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms) << "it waited for the holder";
    int status = 0;
    ::waitpid(holder, &status, 0);
}

TEST_F(FileLockTest, ALockIsGivenUpWhenItsProgramIsKilled) {
    const pid_t holder = HolderProcess(60s);
    EXPECT_FALSE(Lock(20ms));
    ::kill(holder, SIGKILL);
    int status = 0;
    ::waitpid(holder, &status, 0);
    EXPECT_TRUE(Lock(2s)) << error;
}

TEST_F(FileLockTest, TwoLocksOfOneProgramExcludeEachOtherAndTheLockFileStaysBeside) {
    FileLock first = Lock(1s);
    ASSERT_TRUE(first) << error;
    EXPECT_FALSE(Lock(20ms)) << "a second lock in the same program must wait too";

    FileLock moved = std::move(first);
    EXPECT_FALSE(first);
    EXPECT_FALSE(Lock(20ms)) << "moving a lock keeps it held";
    moved = FileLock();
    EXPECT_TRUE(Lock(20ms)) << error;

    const std::filesystem::path lockFile = folder / u8".Книга.xls.lock";
    EXPECT_EQ(LockFileOf(file), lockFile);
    struct stat status {};
    ASSERT_EQ(::stat(lockFile.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666u) << "every user of a shared folder can take it";
    EXPECT_FALSE(std::filesystem::exists(file)) << "the file itself need not exist";
}

TEST_F(FileLockTest, AFolderThatDoesNotExistGivesItsReason) {
    file = folder / "none" / u8"Книга.xls";
    EXPECT_FALSE(Lock(20ms));
    EXPECT_EQ(code, ENOENT);
}

} // namespace
} // namespace platform
