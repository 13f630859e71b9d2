// Measures the CPU time of a playing stream's worker thread (and of the mixer
// thread) over a few seconds of playback, on the headless output driven in
// real time and on SDL's dummy audio driver.
#include "SoundFixture.h"

#include "media/CSoundSystem.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"
#include "platform/audio/HeadlessAudio.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <set>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kWindow = std::chrono::seconds(6);

std::set<int> Threads() {
    std::set<int> tids;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                tids.insert(std::atoi(entry->d_name));
        closedir(dir);
    }
    return tids;
}

// Nanoseconds the thread has run (schedstat), and its voluntary switches.
struct ThreadCpu {
    double cpuNanoseconds = 0;
    long wakeups = 0;
};

ThreadCpu ReadThread(int tid) {
    ThreadCpu cpu;
    const std::string base = "/proc/self/task/" + std::to_string(tid);
    std::ifstream(base + "/schedstat") >> cpu.cpuNanoseconds;
    std::ifstream status(base + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
            cpu.wakeups = std::stol(line.substr(24));
    return cpu;
}

int NewThread(const std::set<int>& before) {
    for (int tid : Threads())
        if (!before.count(tid))
            return tid;
    return 0;
}

void Report(const char* what, int tid, const ThreadCpu& a, const ThreadCpu& b, double seconds) {
    if (tid == 0) {
        std::printf("%-34s (thread not found)\n", what);
        return;
    }
    const double cpuMs = (b.cpuNanoseconds - a.cpuNanoseconds) / 1e6;
    std::printf("%-34s %7.2f ms CPU per s of sound = %5.2f %% of a core, %5.1f wake-ups/s\n", what,
                cpuMs / seconds, cpuMs / seconds / 10.0, (b.wakeups - a.wakeups) / seconds);
}

} // namespace

int main() {
    platform::DebugOutputCapture quiet;
    // Like the narration: stereo at 44000 Hz, at the encoder's everyday quality,
    // with noise under the tone so that the decoder has as much to do as for a
    // voice.
    uint32_t seed = 12345;
    auto voice = [&seed](int channel, int64_t frame) {
        seed = seed * 1664525u + 1013904223u;
        const float noise = static_cast<float>(static_cast<int32_t>(seed) / 2147483648.0);
        const float syllable =
            0.5f + 0.5f * static_cast<float>(std::sin(frame * 2 * M_PI * 4 / 44000.0));
        return syllable * (0.6f * sound_fixture::Chirp(channel, frame, 44000) + 0.25f * noise);
    };
    const auto bytes = sound_fixture::EncodeVorbis(2, 44000, 44000 * 10, 0.4f, voice);
    std::printf("sound: 10 s of stereo at 44000 Hz, %.0f kbit/s Ogg Vorbis\n",
                bytes.size() * 8 / 10.0 / 1000);

    auto run = [&](const char* name, auto&& pump) {
        platform::ClearMessages();
        std::set<int> beforeInit = Threads();
        CSoundSystem sounds;
        const int init = sounds.InitSound(nullptr);
        if (init != 0) {
            std::printf("%s: no audio device (%d), skipped\n", name, init);
            return;
        }
        const int mixerTid = NewThread(beforeInit);
        const uint32_t id = sounds.CreateStreamFromMemory(L"narration", bytes.data(), bytes.size());
        std::set<int> beforePlay = Threads();
        sounds.Play(id);
        const int worker = NewThread(beforePlay);
        pump(std::chrono::milliseconds(300));
        const ThreadCpu w0 = ReadThread(worker), m0 = ReadThread(mixerTid);
        const auto t0 = Clock::now();
        pump(kWindow);
        const ThreadCpu w1 = ReadThread(worker), m1 = ReadThread(mixerTid);
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        sounds.Stop(id);
        std::string title = std::string(name) + ": worker";
        Report(title.c_str(), worker, w0, w1, seconds);
        if (mixerTid) {
            title = std::string(name) + ": mixer thread";
            Report(title.c_str(), mixerTid, m0, m1, seconds);
        }
    };

    {
        // The headless output, advanced by the real time that passed.
        platform::HeadlessAudio audio;
        auto pump = [&audio](Clock::duration span) {
            const auto end = Clock::now() + span;
            auto last = Clock::now();
            while (Clock::now() < end) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                const auto now = Clock::now();
                audio.Advance(std::chrono::duration_cast<std::chrono::microseconds>(now - last));
                last = now;
            }
        };
        run("headless output", pump);
    }
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        auto pump = [](Clock::duration span) { std::this_thread::sleep_for(span); };
        run("SDL dummy driver", pump);
    }
    return 0;
}
