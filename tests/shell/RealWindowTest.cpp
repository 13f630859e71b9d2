// The start screen in a real window on an X server of the test's own, with a
// name typed in Cyrillic on the real X keyboard by xdotool.
#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>

#include "tests/shell/ProgramRun.h"
#include "tests/shell/ShellFixture.h"

namespace {

// Runs the loop for about the given time of the real clock, or until done.
// A timer of the test's own keeps the loop from sleeping longer than 10 ms.
void RunFor(int milliseconds, const std::function<bool()>& done = {}) {
    const int64_t end = platform::PerformanceCounter() +
                        int64_t(milliseconds) * platform::PerformanceFrequency() / 1000;
    while (platform::PerformanceCounter() < end && !(done && done()))
        ASSERT_TRUE(RunMessageLoopPass(*MainWindow));
}

TEST(RealWindowTest, ACyrillicNameTypedOnTheXKeyboardReachesTheNameFieldAndTheReport) {
    if (!HaveCommand("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    PrivateDisplay x;
    if (!x.Ready())
        GTEST_SKIP() << "Xvfb is not installed";
    ReportTestFolder folder;
    platform::ClearMessages();
    platform::DebugOutputCapture debugOutput;
    platform::HeadlessAudio audio;
    std::string error;
    ASSERT_TRUE(x.StartVideo(error)) << error;

    TestTitle* app = TestTitle::GetApp(kTestTitle, false);
    ASSERT_NE(platform::MainSdlWindow(), nullptr);
    MainWindow->AddTimer(10);
    app->ShowStartScreen();
    RunFor(500);
    const Dialog* screen = ShellTest::TopScreen();
    IMEditBar* name = ShellTest::NameField(screen);
    ASSERT_NE(name, nullptr);

    // xdotool types while the loop goes on reading the window's events, as
    // it would under a child's fingers.
    auto type = [&x](const std::string& keys) {
        const pid_t xdotool = x.Start("xdotool mousemove 640 400 " + keys);
        std::optional<bool> done;
        RunFor(30'000, [&] { return (done = PrivateDisplay::Finished(xdotool)).has_value(); });
        return done.value_or(false);
    };
    const std::wstring typed = L"Петя Ёжиков";
    ASSERT_TRUE(x.MapLetters(typed));
    // The window hears of the new keys before the first of them is pressed.
    RunFor(300);
    ASSERT_TRUE(type("type --delay 40 'Петя Ёжиков'"));
    RunFor(3000, [&] { return name->GetText() == typed; });
    EXPECT_EQ(name->GetText(), typed);

    ASSERT_TRUE(type("key Return"));
    RunFor(3000, [&] { return !app->studentName.empty(); });
    EXPECT_EQ(app->studentName, typed);
    // The student's worksheet bears the name.
    ASSERT_NE(app->report, nullptr);
    EXPECT_NE(app->report->Serialize().find(platform::WideToUtf8(L"ss:Name=\"" + typed + L"\"")),
              std::string::npos);

    TestTitle::ReleaseApp();
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, nullptr);
    platform::ClearMessages();
}

} // namespace
