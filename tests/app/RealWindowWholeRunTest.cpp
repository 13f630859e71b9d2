// The whole program once in a real window on an X server of the test's own,
// on the real clock, with every key and mouse event made on that server by
// xdotool: a Cyrillic name typed on the start screen, the instruction left
// with Esc, the game played to its end with the arrows, the wheel and clicks
// on the treasures, Close on the results screen, and then the workbook that
// the program wrote read back from the disk.
#include <SDL.h>
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "GameWindow.h"
#include "WholeRun.h"
#include "gui/IMEditBar.h"
#include "platform/TextCodec.h"
#include "platform/graphics/SdlNativeWindow.h"
#include "platform/window/Window.h"
#include "tests/shell/ProgramRun.h"
#include "tests/shell/report/ReportTestFolder.h"
#include "tests/shell/report/WorkbookReader.h"

namespace {

using namespace whole_run;

int64_t Microseconds() {
    return platform::PerformanceCounter() * 1'000'000 / platform::PerformanceFrequency();
}

// The message loop on the real clock, with the sound output's clock kept in
// step with it (the headless output moves only when told, and the praise
// waits for its words to end).
class RealLoop {
public:
    explicit RealLoop(platform::HeadlessAudio& audio) : audio_(audio), last_(Microseconds()) {}

    // Runs passes until `done` holds or the time is up; whether it holds.
    bool Until(int timeoutMilliseconds, const std::function<bool()>& done) {
        const int64_t end = Microseconds() + int64_t(timeoutMilliseconds) * 1000;
        while (!done()) {
            if (quit_ || Microseconds() >= end)
                return false;
            Pass();
        }
        return true;
    }
    void For(int milliseconds) {
        Until(milliseconds, [] { return false; });
    }
    bool Quit() const { return quit_; }

private:
    void Pass() {
        const int64_t now = Microseconds();
        audio_.Advance(std::chrono::microseconds(now - last_));
        last_ = now;
        if (MainWindow == nullptr || !RunMessageLoopPass(*MainWindow))
            quit_ = true;
    }

    platform::HeadlessAudio& audio_;
    int64_t last_;
    bool quit_ = false;
};

// One xdotool that reads its commands from a socket as they come, so that
// a release reaches the server a pass or two after the test decides on it,
// where a new xdotool for each would take tens of milliseconds to start.
class XHands {
public:
    explicit XHands(const PrivateDisplay& x) {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(ends[1], 0);
            const std::string line = "DISPLAY=" + x.Name() + " exec xdotool -";
            ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ends[1]);
        socket_ = ends[0];
    }
    ~XHands() {
        if (socket_ >= 0)
            ::close(socket_);
        if (pid_ > 0)
            ::waitpid(pid_, nullptr, 0);
    }
    XHands(const XHands&) = delete;
    XHands& operator=(const XHands&) = delete;

    // Sends one line of xdotool commands; false when xdotool is gone.
    bool Send(const std::string& commands) {
        const std::string line = commands + "\n";
        return socket_ >= 0 && ::send(socket_, line.data(), line.size(), MSG_NOSIGNAL) ==
                                   static_cast<ssize_t>(line.size());
    }
    // The point of the screen where the window shows the scene's point.
    static std::string At(int sceneX, int sceneY) {
        SDL_Window* window = platform::MainSdlWindow();
        int windowX = 0, windowY = 0;
        SDL_GetWindowPosition(window, &windowX, &windowY);
        int x = 0, y = 0;
        platform::SceneToWindow(window, sceneX + 0.5f, sceneY + 0.5f, x, y);
        return std::to_string(windowX + x) + " " + std::to_string(windowY + y);
    }
    bool MoveTo(int sceneX, int sceneY) { return Send("mousemove " + At(sceneX, sceneY)); }
    bool ClickAt(const platform::Rect& rect) {
        return Send("mousemove " + At((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2) +
                    " click 1");
    }

private:
    pid_t pid_ = -1;
    int socket_ = -1;
};

// The child's hands of GameWindow, on the X server: the same way of play,
// with each input made by xdotool and each wait one for the game's state.
class XPlayer : public GameWindow {
public:
    XPlayer(App& app, RealLoop& loop, XHands& hands)
        : GameWindow(app), loop_(loop), hands_(hands) {}

    // The boat need not stop on the very pixel: on a busy machine the
    // release may arrive some timer firings after the test sends it, so each
    // leg is cut short by the lag the last one showed, and the boat goes leg
    // by leg until it is close enough for the spot to lie well inside the
    // lens.
    void SailTo(MapPoint target) override {
        constexpr int kCloseEnough = 3;
        int lag = 0;
        auto distance = [this](MapPoint a) {
            const MapPoint b = Boat();
            return std::max(std::abs(a.x - b.x), std::abs(a.y - b.y));
        };
        for (int leg = 0; leg < 60 && distance(target) > kCloseEnough; ++leg) {
            const std::vector<int> route = RouteTo(Explore(), target);
            if (route.empty())
                return;
            const int run = static_cast<int>(
                std::find_if(route.begin(), route.end(), [&](int d) { return d != route[0]; }) -
                route.begin());
            const MapPoint from = Boat();
            const platform::Point arrow = ArrowPoint(route[0]);
            hands_.Send("mousemove " + XHands::At(arrow.x, arrow.y) + " mousedown 1");
            if (!loop_.Until(10'000, [this] { return app().moveTimer != -1; }))
                return;
            const int wanted = std::max(1, run - lag);
            // The boat goes one step per timer firing: a long leg on a busy
            // machine takes a while.
            loop_.Until(60'000, [&] { return distance(from) >= wanted; });
            const int atRelease = distance(from);
            hands_.Send("mouseup 1");
            loop_.Until(10'000, [this] { return app().moveTimer == -1; });
            lag = std::max(0, distance(from) - atRelease);
        }
    }
    void DiveTo(int depth) override {
        hands_.MoveTo(kDivingPointer.x, kDivingPointer.y);
        if (!app().diving) {
            hands_.Send("click 2");
            if (!loop_.Until(10'000, [this] { return app().diving; }))
                return;
        }
        if (depth > app().depth)
            hands_.Send("click --repeat " + std::to_string(depth - app().depth) + " --delay 5 4");
        loop_.Until(30'000, [&] { return app().depth >= depth; });
    }
    void Surface() override {
        if (app().gameScene == nullptr)
            return;
        hands_.MoveTo(kDivingPointer.x, kDivingPointer.y);
        hands_.Send("click 2");
        // The last treasure ends the game under water.
        loop_.Until(30'000, [this] { return !app().diving || app().gameScene == nullptr; });
    }
    void LeftClick(int x, int y) override {
        const size_t before = Left();
        hands_.Send("mousemove " + XHands::At(x, y) + " click 1");
        loop_.Until(10'000, [&] { return app().gameScene == nullptr || Left() < before; });
    }
    void Advance(int milliseconds) override { loop_.For(milliseconds); }

private:
    // The spots not yet cleared, while the game lasts.
    size_t Left() {
        if (app().gameScene == nullptr)
            return 0;
        return std::count_if(app().spots.begin(), app().spots.end(),
                             [](const Spot& spot) { return !Picture(spot.item).IsHidden(); });
    }

    RealLoop& loop_;
    XHands& hands_;
};

IMEditBar* NameField(const Dialog* screen) {
    if (screen == nullptr)
        return nullptr;
    for (const Dialog::Layers* table : {&screen->children, &screen->pendingAdds})
        for (const auto& [layer, controls] : *table)
            for (IMControl* child : controls)
                if (auto* bar = dynamic_cast<IMEditBar*>(child))
                    return bar;
    return nullptr;
}

TEST(RealWindowWholeRunTest, ANameTypedOnTheXKeyboardAGamePlayedWithTheXMouseAndCloseLeaveTheRun) {
#if defined(__SANITIZE_ADDRESS__)
    // The game is played on the real clock, its boat steered by releases timed
    // against it; several times slower under the sanitizers and sharing the
    // processor with the other tests, the program misses those times. The
    // headless whole runs take the same paths under the sanitizers.
    GTEST_SKIP() << "played on the real clock, not under the sanitizers";
#endif
    if (!HaveCommand("xdotool"))
        GTEST_SKIP() << "xdotool is not installed";
    PrivateDisplay x;
    if (!x.Ready())
        GTEST_SKIP() << "Xvfb is not installed";
    ReportTestFolder folder;
    platform::ClearMessages();
    platform::DebugOutputCapture debugOutput;
    platform::HeadlessAudio audio;
    // The processor draws, so that no OpenGL stack is loaded.
    ::setenv("ZELTARIK_DRAWING", "processor", 1);
    std::string error;
    ASSERT_TRUE(x.StartVideo(error)) << error;

    const std::wstring typed = L"Иванов Петя";
    ASSERT_TRUE(x.MapLetters(typed));
    // As the entry point does.
    App* app = App::GetApp(kWindowTitle, false);
    ASSERT_NE(platform::MainSdlWindow(), nullptr);
    app->ShowStartScreen();
    // The loop sleeps no longer than 10 ms between the test's looks.
    MainWindow->AddTimer(10);
    RealLoop loop(audio);
    XHands hands(x);
    ASSERT_TRUE(hands.Send("mousemove 640 400"));
    IMEditBar* name = nullptr;
    ASSERT_TRUE(loop.Until(10'000, [&] { return (name = NameField(TopScreen())) != nullptr; }))
        << "the start screen shows";
    loop.For(300);

    // The name, typed while the loop goes on reading the window's events.
    const pid_t typing = x.Start("xdotool type --delay 40 '" + Utf8(typed) + "'");
    std::optional<bool> typedAll;
    loop.Until(30'000, [&] { return (typedAll = PrivateDisplay::Finished(typing)).has_value(); });
    ASSERT_TRUE(typedAll.value_or(false));
    ASSERT_TRUE(loop.Until(5'000, [&] { return name->GetText() == typed; }))
        << Utf8(name->GetText());
    hands.Send("key Return");
    ASSERT_TRUE(loop.Until(10'000, [&] { return app->instructionShown; }))
        << "the instruction shows";
    EXPECT_EQ(app->studentName, typed);

    // The instruction, left with Esc once it plays.
    loop.For(500);
    hands.Send("key Escape");
    ASSERT_TRUE(loop.Until(10'000, [&] { return app->gameScene != nullptr; })) << "the game runs";
    loop.For(300);

    const int64_t gameStart = Microseconds();
    {
        XPlayer player(*app, loop, hands);
        ASSERT_TRUE(player.PlayToTheEnd());
    }
    std::printf("the game took %.1f s\n", (Microseconds() - gameStart) / 1e6);
    Button* close = nullptr;
    ASSERT_TRUE(loop.Until(60'000, [&] {
        return (close = ButtonOf(TopScreen(), L"CloseButton")) != nullptr;
    })) << "the results screen shows";
    loop.For(300);
    hands.ClickAt(close->GetRect());
    ASSERT_TRUE(loop.Until(10'000, [&] { return loop.Quit(); })) << "Close ends the program";
    App::ReleaseApp();

    const Sheets sheets = ReadSheets(folder.Reports() / Utf8(std::wstring(kWindowTitle) + L".xls"));
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].first, typed);
    const ::Rows& rows = sheets[0].second;
    ASSERT_FALSE(rows.empty());
    EXPECT_TRUE(rows.back().empty()) << "the run ends in an empty row";
    const std::vector<::Rows> runs = RunsOf(rows);
    ASSERT_EQ(runs.size(), 1u);
    ExpectOneFinishedRun(runs[0]);

    SDL_SetHint(SDL_HINT_RENDER_DRIVER, nullptr);
    ::unsetenv("ZELTARIK_DRAWING");
    platform::ClearMessages();
}

} // namespace
