// The start screen in a real window on an X server of the test's own, with a
// name typed in Cyrillic on the real X keyboard by xdotool.
#include <SDL.h>
#include <gtest/gtest.h>

#include <clocale>
#include <functional>

#include "platform/window/Utf8Locale.h"
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
    ::setenv("DISPLAY", x.Name().c_str(), 1);
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("SDL_VIDEODRIVER");
    platform::ClearMessages();
    platform::DebugOutputCapture debugOutput;
    platform::HeadlessAudio audio;
    // SDL's software renderer, and SDL's video kept running to the end of the
    // process: the X libraries' one-time caches then stay theirs instead of
    // turning into leaks of no known module.
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    // SDL's video opens its input method under the environment's locale,
    // which the window sees to be UTF-8 before it starts the video; started
    // here, the video must find it so already, or no Cyrillic comes through.
    // The process keeps its own locale, as the window leaves it.
    const std::string processLocale = std::setlocale(LC_CTYPE, nullptr);
    platform::EnsureUtf8Locale();
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    std::setlocale(LC_CTYPE, processLocale.c_str());

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
