// Measures what the game screen costs to show: one full frame of the game at
// depths 0, 20 and 40, one depth step from the wheel message to the presented
// frame, and the CPU of the game left still (only the ripple moving) under
// the program's real loop. Runs on the headless renderer and, when there is
// a display (an X server, or SDL_VIDEODRIVER=offscreen), on the real
// full-screen window with the renderer SDL picks for it.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/App.h"
#include "bench/ProcessCpu.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"
#include "platform/WinCodes.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/graphics/SdlNativeWindow.h"
#include "platform/window/HeadlessWindow.h"

using namespace platform;

namespace {

constexpr int kFramesPerDepth = 100;
constexpr double kStillSeconds = 20.0;


double Now() {
    return double(PerformanceCounter()) / double(PerformanceFrequency());
}

struct Figures {
    double wallMs = 0;
    double cpuMs = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

std::string RendererName() {
    if (!Renderer || Renderer->device == nullptr)
        return "?";
    if (Renderer->device->IsHeadless())
        return "software (headless)";
    SDL_Renderer* renderer = SDL_GetRenderer(ToSdlWindow(Renderer->window));
    SDL_RendererInfo info{};
    if (renderer == nullptr || SDL_GetRendererInfo(renderer, &info) != 0)
        return "?";
    return info.name;
}

uint32_t WheelWParam(bool forward) {
    const auto delta = static_cast<uint16_t>(forward ? 120 : -120);
    return static_cast<uint32_t>(delta) << 16;
}

void PostAtLens(uint32_t message, uint32_t wParam) {
    PostMessage(message, wParam, MakeLParam(140, 330));
}

// Runs passes until the queue is empty and nothing is left to draw.
void Settle(IMWindow& window) {
    for (int i = 0; i < 5; ++i)
        RunMessageLoopPass(window);
}

// A full redraw of the game screen: everything marked dirty, one frame.
Figures FullFrames(IMWindow& window) {
    std::vector<double> wall;
    const double cpu = ProcessCpuSeconds();
    for (int i = 0; i < kFramesPerDepth; ++i) {
        window.SetDirty(true);
        const double t = Now();
        window.RenderFrame();
        wall.push_back((Now() - t) * 1000.0);
    }
    return {Median(wall), (ProcessCpuSeconds() - cpu) * 1000.0 / kFramesPerDepth};
}

// The pointer over the glass: the headless window takes it as an event, as
// the real one gets it from the system; the real window's pointer is wherever
// the display has it, so the message is posted as the system would send it.
void Run(const char* backend, HeadlessWindow* headless) {
    SetIdleWait(IdleWait::UntilDue);
    App* app = App::GetApp(kWindowTitle, false);
    app->NextStep();
    IMWindow& window = *MainWindow;
    // The step dialog joins the window at the first tick.
    Settle(window);
    if (headless)
        headless->MoveMouse(140, 330);
    else
        PostMessage(WM_MOUSEMOVE, 0, MakeLParam(140, 330));
    Settle(window);
    uint64_t drawn = 0;
    window.OnDraw.connect([&drawn](const IMEvent&) {
        ++drawn;
        return 0L;
    });
    std::printf("\n%s: %s renderer\n", backend, RendererName().c_str());

    // 1. Full frames at three depths.
    std::printf("  full frame (median wall / mean process CPU):\n");
    PostAtLens(WM_MBUTTONDOWN, MK_MBUTTON);
    Settle(window);
    if (!app->diving) {
        std::printf("  the wheel press did not reach the game; nothing measured\n");
        App::ReleaseApp();
        ClearMessages();
        return;
    }
    for (int target : {0, 20, 40}) {
        while (app->depth < target) {
            PostAtLens(WM_MOUSEWHEEL, WheelWParam(true));
            RunMessageLoopPass(window);
        }
        Settle(window);
        const Figures f = FullFrames(window);
        std::printf("    depth %2d: %7.2f ms wall  %7.2f ms CPU\n", app->depth, f.wallMs, f.cpuMs);
    }

    // 2. Depth steps, up from 40 to 1 and down again: the message, the
    // update tick and the frame, all in the one pass that takes the message.
    SetIdleWait(IdleWait::OneMillisecond);
    std::vector<double> steps;
    std::vector<double> direct;
    int late = 0;
    const double stepCpu = ProcessCpuSeconds();
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 39; ++i) {
            const bool forward = round == 1;
            const int before = app->depth;
            const uint64_t frames = drawn;
            PostAtLens(WM_MOUSEWHEEL, WheelWParam(forward));
            const double t = Now();
            RunMessageLoopPass(window);
            steps.push_back((Now() - t) * 1000.0);
            if (app->depth == before || drawn != frames + 1 || window.IsDirty())
                ++late;
            // The same work called directly, without the loop's wait.
            const double d = Now();
            MainWindowProc(WM_MOUSEWHEEL, WheelWParam(!forward), MakeLParam(140, 330));
            window.Update(IMEvent(&window, IMEventCode::Update));
            window.RenderFrame();
            direct.push_back((Now() - d) * 1000.0);
            MainWindowProc(WM_MOUSEWHEEL, WheelWParam(forward), MakeLParam(140, 330));
            window.Update(IMEvent(&window, IMEventCode::Update));
            window.RenderFrame();
        }
    }
    const double stepCpuMs =
        (ProcessCpuSeconds() - stepCpu) * 1000.0 / double(steps.size() + 2 * direct.size());
    std::printf("  depth step: %.2f ms message-to-present (median, one pass incl. its <=1 ms "
                "wait), %.2f ms without the wait, %.2f ms CPU; %d of %zu not presented in "
                "that pass\n",
                Median(steps), Median(direct), stepCpuMs, late, steps.size());
    SetIdleWait(IdleWait::UntilDue);

    // 3. The game left still at the surface: only the ripple moves.
    while (app->depth > 1) {
        PostAtLens(WM_MOUSEWHEEL, WheelWParam(false));
        RunMessageLoopPass(window);
    }
    PostAtLens(WM_MOUSEWHEEL, WheelWParam(false));
    Settle(window);
    const uint64_t passes = LoopStatistics().passes;
    const uint64_t frames = drawn;
    const double cpu = ProcessCpuSeconds();
    const double start = Now();
    while (Now() - start < kStillSeconds)
        RunMessageLoopPass(window);
    const double seconds = Now() - start;
    std::printf("  still game, %.0f s at the surface (diving %s): %.2f %% of a core, %.1f "
                "frames/s drawn, %.1f wake-ups/s\n",
                seconds, app->diving ? "yes" : "no", (ProcessCpuSeconds() - cpu) / seconds * 100.0,
                double(drawn - frames) / seconds,
                double(LoopStatistics().passes - passes) / seconds);

    App::ReleaseApp();
    ClearMessages();
}

} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("Game screen frame cost: %d full frames per depth; still game %.0f s\n",
                kFramesPerDepth, kStillSeconds);
    HeadlessAudio audio;
    DebugOutputCapture debugLines;
    {
        HeadlessWindow headless;
        Run("headless", &headless);
    }
    const char* display = std::getenv("DISPLAY");
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if ((display && *display) || (driver && *driver))
        Run("real window", nullptr);
    else
        std::printf("\n(no display: the real window was not measured; run under xvfb-run, or with "
                    "SDL_VIDEODRIVER=offscreen)\n");
    return 0;
}
