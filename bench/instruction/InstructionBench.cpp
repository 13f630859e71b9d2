// Measures the instruction as the child sees it: the narrated video 190
// playing full screen under the program's real loop, with the process's CPU
// per second of video and every frame's time on screen against its due time
// (25 frames per second), and the praise overlay's cost while the game runs
// under it, against the still game alone. Runs on the real window when there
// is a display (run under Xvfb at 1280 × 800), else on the headless renderer.
#include <boost/signals2/connection.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/App.h"
#include "bench/ProcessCpu.h"
#include "gui/IMAnimationBase.h"
#include "gui/IMTheoraView.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/window/HeadlessWindow.h"

using namespace platform;

namespace {

using Dialog = IMDialogBase<IMEmptyView>;
using Video = IMAnimationBase<IMTheoraView>;

constexpr double kVideoSeconds = 30.0;
constexpr double kGameSeconds = 12.0;
constexpr double kFramePeriodMs = 40.0;

double Now() {
    return double(PerformanceCounter()) / double(PerformanceFrequency());
}

template <class Control> Control* Find(Dialog* dialog) {
    for (auto* table : {&dialog->children, &dialog->pendingAdds})
        for (auto& [layer, controls] : *table)
            for (IMControl* child : controls)
                if (auto* control = dynamic_cast<Control*>(child))
                    return control;
    return nullptr;
}

Dialog* TopScreen() {
    auto& layer = MainWindow->children[0];
    return layer.empty() ? nullptr : dynamic_cast<Dialog*>(layer.back());
}

void Settle(IMWindow& window) {
    for (int i = 0; i < 5; ++i)
        RunMessageLoopPass(window);
}

// The first kVideoSeconds of the instruction: each presented frame's video
// frame and time.
void MeasureInstruction(App& app, IMWindow& window) {
    app.BeginInstruction();
    Settle(window);
    Dialog* instruction = TopScreen();
    Video* video = instruction ? Find<Video>(instruction) : nullptr;
    if (!video) {
        std::printf("  no instruction video; nothing measured\n");
        return;
    }
    struct Shown {
        int frame;
        double at;
    };
    std::vector<Shown> shown;
    boost::signals2::scoped_connection drawing = window.OnDraw.connect([&](const IMEvent&) {
        if (shown.empty() || shown.back().frame != video->GetFrame())
            shown.push_back({video->GetFrame(), Now()});
        return 0L;
    });
    const uint64_t passes = LoopStatistics().passes;
    const double cpu = ProcessCpuSeconds();
    const double start = Now();
    while (Now() - start < kVideoSeconds)
        RunMessageLoopPass(window);
    const double seconds = Now() - start;
    const double cpuSeconds = ProcessCpuSeconds() - cpu;

    // Frame k is due when its period begins: Play's start plus k periods.
    const double playStart = double(video->startTime) / double(PerformanceFrequency());
    int skipped = 0;
    int late = 0;
    std::vector<double> lateness;
    for (size_t i = 1; i < shown.size(); ++i) {
        skipped += std::max(0, shown[i].frame - shown[i - 1].frame - 1);
        const double due = playStart + shown[i].frame * kFramePeriodMs / 1000.0;
        const double ms = (shown[i].at - due) * 1000.0;
        lateness.push_back(ms);
        late += ms > kFramePeriodMs;
    }
    std::sort(lateness.begin(), lateness.end());
    auto at = [&](double share) {
        return lateness.empty() ? 0.0 : lateness[size_t(share * (lateness.size() - 1))];
    };
    std::printf("  instruction, %.1f s of video: %.1f %% of a core (%.1f ms CPU per second of "
                "video), %.1f wake-ups/s\n",
                seconds, cpuSeconds / seconds * 100.0, cpuSeconds / seconds * 1000.0,
                double(LoopStatistics().passes - passes) / seconds);
    std::printf("  frames: %zu shown (expected %.0f), %d skipped, %d shown more than one period "
                "late; on screen after their due time: median %.1f ms, 99th percentile %.1f ms, "
                "max %.1f ms\n",
                shown.size(), seconds * 1000.0 / kFramePeriodMs, skipped, late, at(0.5), at(0.99),
                at(1.0));
    // The video goes with its dialog: nothing may ask it for its frame then.
    drawing.disconnect();
    instruction->Close(IMEvent(instruction, IMEventCode::Close));
    Settle(window);
}

// The still game for kGameSeconds, then as long again with one final praise
// after another over it (the step is kept, so the game stays).
void MeasurePraise(App& app, IMWindow& window) {
    if (!app.stepDialog) {
        std::printf("  no game; nothing measured\n");
        return;
    }
    uint64_t drawn = 0;
    const boost::signals2::scoped_connection drawing =
        window.OnDraw.connect([&drawn](const IMEvent&) {
            ++drawn;
            return 0L;
        });
    auto run = [&](bool praising, int& praises) {
        const uint64_t frames = drawn;
        const double cpu = ProcessCpuSeconds();
        const double start = Now();
        Dialog* praise = nullptr;
        while (Now() - start < kGameSeconds) {
            if (praising && (praise == nullptr || TopScreen() != praise)) {
                Dialog* step = app.stepDialog;
                app.stepDialog = nullptr;
                app.ShowFinalPraise(137, 100);
                app.stepDialog = step;
                RunMessageLoopPass(window);
                praise = TopScreen();
                ++praises;
            }
            RunMessageLoopPass(window);
        }
        const double seconds = Now() - start;
        return std::pair{(ProcessCpuSeconds() - cpu) / seconds * 100.0,
                         double(drawn - frames) / seconds};
    };
    int praises = 0;
    const auto [stillCpu, stillFrames] = run(false, praises);
    const auto [praiseCpu, praiseFrames] = run(true, praises);
    std::printf("  still game: %.1f %% of a core, %.1f frames/s drawn\n", stillCpu, stillFrames);
    std::printf("  game under the praise (%d praises one after another): %.1f %% of a core, "
                "%.1f frames/s drawn; the praise adds %.1f %% of a core\n",
                praises, praiseCpu, praiseFrames, praiseCpu - stillCpu);
}

void Run(const char* backend) {
    SetIdleWait(IdleWait::UntilDue);
    App* app = App::GetApp(kWindowTitle, false);
    IMWindow& window = *MainWindow;
    // Nothing on the start of the program is due, so the loop would wait for
    // input: the instruction begins first.
    std::printf("\n%s\n", backend);
    MeasureInstruction(*app, window);
    MeasurePraise(*app, window);
    App::ReleaseApp();
    ClearMessages();
}

} // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    DebugOutputCapture debugLines;
    const char* display = std::getenv("DISPLAY");
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    std::printf("Instruction and praise: %.0f s of the instruction video, %.0f s of the game "
                "without and with praise\n",
                kVideoSeconds, kGameSeconds);
    if ((display && *display) || (driver && *driver)) {
        // The narration plays through SDL's audio; where there is no sound
        // card its dummy driver still runs the mixer and the stream's worker.
        ::setenv("SDL_AUDIODRIVER", std::getenv("SDL_AUDIODRIVER") ?: "dummy", 1);
        Run("real window");
    } else {
        HeadlessAudio audio;
        HeadlessWindow headless;
        Run("headless");
        std::printf("\n(no display: run under Xvfb for the real window)\n");
    }
    return 0;
}
