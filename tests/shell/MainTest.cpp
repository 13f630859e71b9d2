// The program itself, started as a teacher starts it: where there is no
// display it says so and fails, and the system's requests to end it close it
// the way its window's close does.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "tests/shell/ProgramRun.h"
#include "tests/shell/report/ReportTestFolder.h"

namespace {

using namespace std::chrono_literals;

class MainTest : public testing::Test {
public:
    // The program's surroundings: its shared folder in the test's folder, no
    // sound output, SDL's own software renderer, and nothing named for video.
    EnvironmentChanges Surroundings() const {
        return {
            {"XDG_DATA_HOME", folder.Data().string()},
            {"HOME", (folder.Root() / "home").string()},
            {"SDL_AUDIODRIVER", "dummy"},
            {"SDL_RENDER_DRIVER", "software"},
            {"SDL_VIDEODRIVER", std::nullopt},
            {"WAYLAND_DISPLAY", std::nullopt},
        };
    }
    std::filesystem::path ErrorFile() const { return folder.Root() / "stderr.txt"; }
    std::filesystem::path Workbook() const {
        return folder.Reports() / PathOf(L"00517 Тренажер «Зельтарик».xls");
    }

    ReportTestFolder folder;
};

TEST_F(MainTest, WithoutADisplayItSaysSoInOneLineAndFails) {
    struct Row {
        const char* where;
        std::optional<std::string> display;
    };
    const Row rows[] = {
        {"no DISPLAY", std::nullopt},
        {"a display nobody serves", ":32761"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.where);
        if (row.display && std::filesystem::exists("/tmp/.X11-unix/X32761"))
            continue;
        EnvironmentChanges environment = Surroundings();
        environment["DISPLAY"] = row.display;
        ProgramRun program(ZEL_PROGRAM_PATH, environment, ErrorFile());
        const std::optional<int> status = program.WaitForExit(20s);
        ASSERT_TRUE(status.has_value()) << "the program runs on unseen";
        EXPECT_NE(*status, 0);
        const std::string error = program.ErrorOutput();
        EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
        EXPECT_NE(error.find("no display"), std::string::npos) << error;
    }
}

TEST_F(MainTest, AScreenlessDriverNamedOnPurposeStillRuns) {
    EnvironmentChanges environment = Surroundings();
    environment["DISPLAY"] = std::nullopt;
    environment["SDL_VIDEODRIVER"] = "dummy";
    ProgramRun program(ZEL_PROGRAM_PATH, environment, ErrorFile());
    EXPECT_FALSE(program.WaitForExit(1500ms).has_value()) << program.ErrorOutput();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(20s), 0) << program.ErrorOutput();
}

TEST_F(MainTest, TheSystemsRequestsToEndCloseItLikeItsWindow) {
    PrivateDisplay display;
    if (!display.Ready())
        GTEST_SKIP() << "Xvfb is not installed";
    if (!HaveCommand("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signalNumber));
        EnvironmentChanges environment = Surroundings();
        environment["DISPLAY"] = display.Name();
        // The program lets the X libraries go with its window, and what they
        // keep for good then belongs to no module the leak checker could name.
        // Leaks of the program's own code are the in-process tests' business.
        const char* sanitizer = std::getenv("ASAN_OPTIONS");
        environment["ASAN_OPTIONS"] =
            std::string(sanitizer ? sanitizer : "") + (sanitizer ? ":" : "") + "detect_leaks=0";
        ProgramRun program(ZEL_PROGRAM_PATH, environment, ErrorFile());
        ASSERT_TRUE(display.Run("timeout 30 xdotool search --sync --onlyvisible --class zeltarik "
                                ">/dev/null"))
            << program.ErrorOutput();
        // A name confirmed on the start screen, with the real keyboard.
        ASSERT_TRUE(display.MapLetters(L"Петя"));
        std::this_thread::sleep_for(300ms);
        ASSERT_TRUE(display.Run("xdotool mousemove 640 400 type --delay 40 'Петя'"));
        ASSERT_TRUE(display.Run("xdotool key Return"));
        std::this_thread::sleep_for(500ms);
        ASSERT_TRUE(program.Running()) << program.ErrorOutput();

        program.Signal(signalNumber);
        EXPECT_EQ(program.WaitForExit(30s), 0) << program.ErrorOutput();
        // The window came down the orderly way, which reports its frame count
        // last of all, and the student's workbook was saved on the way.
        EXPECT_NE(program.ErrorOutput().find("FPS: "), std::string::npos) << program.ErrorOutput();
        const std::string workbook = ReportTestFolder::Read(Workbook());
        EXPECT_NE(workbook.find(Utf8(L"ss:Name=\"Петя\"")), std::string::npos) << workbook;
        std::filesystem::remove(Workbook());
    }
}

} // namespace
