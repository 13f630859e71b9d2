// The real thing once: a full-screen SDL window on an X display, a button in
// it, and a click made on the display by xdotool that must reach the button.
// Skipped when there is no display (make test provides one with Xvfb).
#include "gui/IMButtonBase.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/MessageQueue.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/graphics/SdlNativeWindow.h"
#include "platform/window/Window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

using namespace platform;

namespace {

bool HaveXdotool() {
    return std::system("command -v xdotool >/dev/null 2>&1") == 0;
}

// Runs the loop for about the given time of the real clock. The window's
// 10 ms timer (below) keeps the loop from sleeping longer than that.
void RunFor(IMWindow& window, int milliseconds, const std::function<bool()>& done = {}) {
    const int64_t end =
        PerformanceCounter() + int64_t(milliseconds) * PerformanceFrequency() / 1000;
    while (PerformanceCounter() < end && !(done && done()))
        ASSERT_TRUE(RunMessageLoopPass(window));
}

} // namespace

TEST(RealWindowTest, AClickOnTheDisplayReachesAButton) {
    if (!std::getenv("DISPLAY") || !*std::getenv("DISPLAY"))
        GTEST_SKIP() << "no X display";
    if (!HaveXdotool())
        GTEST_SKIP() << "xdotool is not installed";
    ClearMessages();
    // The window is the real thing; sound plays no part, and the processor
    // draws it (OpenGL would bring Mesa's JIT, whose caches the leak checker
    // counts against the test).
    HeadlessAudio audio;
    setenv("ZELTARIK_DRAWING", "processor", 1);
    // SDL loads the X libraries itself and unloads them when its video
    // stops; kept running to the end of the process, the libraries' one-time
    // caches stay theirs instead of turning into leaks of no known module.
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();

    IMWindow* window = CreateMainWindow(
        Rect{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + 800, CW_USEDEFAULT + 600},
        L"zeltarik real window test", false);
    ASSERT_NE(MainSdlWindow(), nullptr);
    window->AddTimer(10);
    const int picture = Renderer->CreateBlankTexture(L"button", 200, 100, TextureFormat::A8R8G8B8);
    Renderer->UpdateTexture(picture, [](uint8_t* bits, int pitch, int rows) {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < 200; ++x)
                bits[y * pitch + 4 * x + 3] = 0xFF;
    });
    Renderer->MakePixelCopy(picture);
    auto* button = window->CreateButton(300, 250, L"button", L"", L"", L"");
    int clicks = 0;
    button->OnClick.connect([&clicks](const IMMouseEvent&) { return long(++clicks); });
    RunFor(*window, 500);

    // Where the scene's point (400, 300), the button's centre, is on the
    // screen, letterboxing included.
    SDL_Window* sdlWindow = MainSdlWindow();
    int windowX = 0, windowY = 0;
    SDL_GetWindowPosition(sdlWindow, &windowX, &windowY);
    auto onScreen = [&](float sceneX, float sceneY) {
        int x = 0, y = 0;
        SceneToWindow(sdlWindow, sceneX, sceneY, x, y);
        return std::to_string(windowX + x) + " " + std::to_string(windowY + y);
    };
    // From elsewhere onto the button, so that the pointer really moves over it.
    const std::string command = "xdotool mousemove --sync " + onScreen(50, 50) +
                                " mousemove --sync " + onScreen(400, 300) + " click 1";

    // Other tests may open windows on the same display: ours is raised before
    // each attempt.
    for (int attempt = 0; attempt < 3 && clicks == 0; ++attempt) {
        SDL_RaiseWindow(sdlWindow);
        RunFor(*window, 200);
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        RunFor(*window, 3000, [&clicks] { return clicks > 0; });
    }
    EXPECT_EQ(clicks, 1);
    delete window;
    unsetenv("ZELTARIK_DRAWING");
    ClearMessages();
}
