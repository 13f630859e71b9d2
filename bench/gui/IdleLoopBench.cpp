// Measures what an idle screen costs: a still screen with one looping
// animation of 71.4 ms frames (the lake's ripple) and a 250 ms timer, run
// for a while with the loop sleeping until the next thing is due, then with
// a loop that waits one millisecond per pass. Reports wake-ups per second
// (counted by the loop), CPU from /proc/self/stat, and how late timers and
// animation frames came. Runs on the headless window and, when there is an X
// display, on a real full-screen window too.
#include "bench/ProcessCpu.h"
#include "gui/IMAnimationBase.h"
#include "gui/IMSequenceView.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/window/HeadlessWindow.h"


#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace platform;

namespace {

constexpr double kSecondsPerRun = 10.0;


double Milliseconds(int64_t ticks) {
    return double(ticks) * 1000.0 / double(PerformanceFrequency());
}

void MakePicture(const std::wstring& name, int size, uint32_t argb) {
    const int index = Renderer->CreateBlankTexture(name, size, size, TextureFormat::A8R8G8B8);
    Renderer->UpdateTexture(index, [&](uint8_t* bits, int pitch, int rows) {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < size; ++x) {
                uint8_t* p = bits + y * pitch + 4 * x;
                p[0] = argb & 0xFF;
                p[1] = (argb >> 8) & 0xFF;
                p[2] = (argb >> 16) & 0xFF;
                p[3] = argb >> 24;
            }
    });
    Renderer->MakePixelCopy(index);
}

struct Scene {
    const char* size = "";
    IMAnimationBase<IMSequenceView>* ripple = nullptr;
    int timer = 0;
    int64_t timerDue = 0;
    double worstTimerLateness = 0;
    double worstFrameLateness = 0;
    double totalTimerLateness = 0;
    double totalFrameLateness = 0;
    uint64_t timerFirings = 0;
    uint64_t frameChanges = 0;
};

// A dialog of a few still pictures and buttons, and the ripple: 23 frames
// forward and back at 4285 sixtieths of a millisecond, restarted when it
// stops, drawn rippleSize pixels square (the lake's is 350).
void BuildScene(IMWindow& window, Scene& scene, int rippleSize) {
    for (int i = 0; i < 12; ++i)
        MakePicture(L"ripple " + std::to_wstring(i), 64, 0xFF204080u + uint32_t(i) * 0x000A0A);
    MakePicture(L"still", 48, 0xFFC0A060);
    auto* dialog = CreateDialog(&window, 0, 0, 800, 600);
    for (int i = 0; i < 20; ++i)
        dialog->CreatePicture(20 + 36 * i, 500, L"still", 100);
    for (int i = 0; i < 8; ++i)
        dialog->CreateButton(20 + 60 * i, 20, L"still", L"", L"", L"", 101);

    auto* ripple = new IMAnimationBase<IMSequenceView>(dialog, 95);
    for (int i = 0; i < 12; ++i)
        ripple->AddFrame(L"ripple " + std::to_wstring(i));
    for (int i = 10; i >= 0; --i)
        ripple->AddFrame(L"ripple " + std::to_wstring(i));
    ripple->SetFirstFrame(0);
    ripple->SetLastFrame(22);
    ripple->period = 4285;
    ripple->SetRect(Rect{40, 235, 40 + rippleSize, 235 + rippleSize});
    ripple->OnStop.connect([ripple](const IMEvent&) { return ripple->Play(); });
    ripple->OnFrame.connect([ripple, &scene](const IMEvent&) {
        if (!ripple->playing)
            return 0L; // Play's own notification
        const int64_t now = PerformanceCounter();
        const int64_t frequency = PerformanceFrequency();
        const int64_t periods = (now - ripple->startTime) * 60000 / frequency / ripple->period;
        const int64_t boundary = ripple->startTime + periods * ripple->period * frequency / 60000;
        const double late = Milliseconds(now - boundary);
        scene.worstFrameLateness = std::max(scene.worstFrameLateness, late);
        scene.totalFrameLateness += late;
        ++scene.frameChanges;
        return 0L;
    });
    ripple->Play();
    scene.ripple = ripple;

    scene.timer = window.AddTimer(250);
    scene.timerDue = PerformanceCounter() + PerformanceFrequency() / 4;
    window.ConnectTimer(scene.timer, [&scene](const IMEvent&) {
        const int64_t now = PerformanceCounter();
        scene.worstTimerLateness =
            std::max(scene.worstTimerLateness, Milliseconds(now - scene.timerDue));
        scene.timerDue = now + PerformanceFrequency() / 4;
        return 0L;
    });
}

void Measure(const char* backend, const char* mode, IMWindow& window, Scene& scene) {
    scene.worstTimerLateness = scene.worstFrameLateness = 0;
    scene.totalTimerLateness = scene.totalFrameLateness = 0;
    scene.frameChanges = scene.timerFirings = 0;
    const uint64_t passes = LoopStatistics().passes;
    const uint32_t counted = Renderer->frameCount;
    const double cpu = ProcessCpuSeconds();
    const int64_t start = PerformanceCounter();
    const int64_t end = start + int64_t(kSecondsPerRun * double(PerformanceFrequency()));
    while (PerformanceCounter() < end)
        RunMessageLoopPass(window);
    const double seconds = Milliseconds(PerformanceCounter() - start) / 1000.0;
    const double wakeUps = double(LoopStatistics().passes - passes) / seconds;
    const double cpuShare = (ProcessCpuSeconds() - cpu) / seconds * 100.0;
    auto mean = [](double total, uint64_t count) { return count ? total / double(count) : 0.0; };
    std::printf("%-9s %-7s %-21s %9.1f %8.2f %% %9.1f %6.2f/%-6.2f %6.2f/%-6.2f %9.1f\n", backend,
                scene.size, mode, wakeUps, cpuShare, double(scene.frameChanges) / seconds,
                mean(scene.totalTimerLateness, scene.timerFirings), scene.worstTimerLateness,
                mean(scene.totalFrameLateness, scene.frameChanges), scene.worstFrameLateness,
                double(Renderer->frameCount - counted) / seconds);
}

void RunBoth(const char* backend, int rippleSize, const char* sizeName) {
    IMWindow* window = CreateMainWindow(
        Rect{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT + 800, CW_USEDEFAULT + 600}, L"idle loop",
        false);
    Scene scene;
    scene.size = sizeName;
    BuildScene(*window, scene, rippleSize);
    // Settle: textures, first frames.
    for (int i = 0; i < 20; ++i)
        RunMessageLoopPass(*window);
    SetIdleWait(IdleWait::UntilDue);
    Measure(backend, "sleep until due", *window, scene);
    SetIdleWait(IdleWait::OneMillisecond);
    Measure(backend, "1 ms wait (baseline)", *window, scene);
    SetIdleWait(IdleWait::UntilDue);
    delete window;
    ClearMessages();
}

} // namespace

int main() {
    std::printf("Idle main loop: a still screen with a looping 71.4 ms animation and a 250 ms "
                "timer, %.0f s per row\n",
                kSecondsPerRun);
    std::printf(
        "The ripple is drawn at the lake's 350 x 350 and, to show the loop's own cost, "
        "at 8 x 8.\nLateness is mean/worst in ms; counted/s is what the FPS line counts.\n");
    std::printf("%-9s %-7s %-21s %9s %10s %9s %13s %13s %9s\n", "window", "ripple", "loop",
                "wakeups/s", "CPU", "frames/s", "timer late", "frame late", "counted/s");
    // Sound plays no part here; the twin keeps the audio device out of it.
    HeadlessAudio audio;
    // Each window's frame-rate line at its end would break up the table.
    DebugOutputCapture debugLines;
    {
        HeadlessWindow headless;
        RunBoth("headless", 350, "350x350");
        RunBoth("headless", 8, "8x8");
    }
    const char* display = std::getenv("DISPLAY");
    if (display && *display) {
        RunBoth("X window", 350, "350x350");
        RunBoth("X window", 8, "8x8");
    } else
        std::printf("(no X display: the real window was not measured)\n");
    return 0;
}
