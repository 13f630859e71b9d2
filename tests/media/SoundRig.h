// A sound system on the headless audio output, with the test body as its main
// thread: it advances the output's clock, drains the message queue and routes
// the sound messages as the window procedure does.
#pragma once

#include "SoundFixture.h"

#include "media/CSoundSystem.h"
#include "platform/DebugOutput.h"
#include "platform/MessageQueue.h"
#include "platform/audio/HeadlessAudio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <tuple>
#include <vector>

namespace sound_fixture {

// Fixtures are encoded once per process.
inline const std::vector<unsigned char>& Vorbis(int channels, int rate, int64_t frames) {
    static std::map<std::tuple<int, int, int64_t>, std::vector<unsigned char>> cache;
    auto key = std::make_tuple(channels, rate, frames);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, EncodeVorbis(channels, rate, frames)).first;
    return it->second;
}

// Exposes the protected fields a test checks.
class TestSoundSystem : public CSoundSystem {
public:
    using CSoundSystem::directSound;
    using CSoundSystem::msgLabel;
    using CSoundSystem::msgSoundPlay;
    using CSoundSystem::msgSoundPouse;
    using CSoundSystem::msgSoundStop;
    using CSoundSystem::primaryBuffer;
};

class SoundRig {
public:
    explicit SoundRig(const platform::HeadlessAudio::Faults& faults = {}) {
        platform::ClearMessages();
        audio.SetFaults(faults);
        initResult = system->InitSound(this);
    }
    ~SoundRig() {
        system.reset();
        platform::ClearMessages();
    }

    CSoundSystem& Sounds() { return *system; }
    TestSoundSystem& Fields() { return *system; }

    uint32_t FromMemory(const wchar_t* name, const std::vector<unsigned char>& bytes) {
        return system->CreateStreamFromMemory(name, bytes.data(), bytes.size());
    }

    // Plays and waits until the worker has started the buffer, so that the
    // first Advance already plays.
    bool Play(uint32_t id) {
        const uint64_t reads = audio.Advance(std::chrono::microseconds(0));
        if (!system->Play(id))
            return false;
        return audio.WaitForCursorReads(reads, 1, kPatience, false);
    }

    // Plays `step` of output, then waits until every worker has seen it and
    // acted on it (two cursor reads after the advance), or nothing plays.
    void Step(std::chrono::milliseconds step = std::chrono::milliseconds(50)) {
        const uint64_t reads = audio.Advance(step);
        EXPECT_TRUE(audio.WaitForCursorReads(reads, 2, kPatience))
            << "the worker stopped reading the cursor";
    }

    // Steps until nothing plays; the output time then, in seconds.
    double RunUntilSilent(double limitSeconds,
                          std::chrono::milliseconds step = std::chrono::milliseconds(50)) {
        while (audio.AnyBufferPlaying() && audio.NowMicroseconds() < limitSeconds * 1e6)
            Step(step);
        return audio.NowMicroseconds() / 1e6;
    }

    // Waits (in real time) until a worker's notification is queued.
    std::vector<platform::Message> WaitForMessages(size_t count = 1) {
        std::vector<platform::Message> taken;
        auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (taken.size() < count && std::chrono::steady_clock::now() < deadline) {
            platform::WaitForMessage(std::chrono::milliseconds(10));
            platform::Message m;
            while (platform::PeekMessage(m))
                taken.push_back(m);
        }
        return taken;
    }

    static std::vector<platform::Message> Drain() {
        std::vector<platform::Message> taken;
        platform::Message m;
        while (platform::PeekMessage(m))
            taken.push_back(m);
        return taken;
    }

    void Route(const std::vector<platform::Message>& messages) {
        for (const platform::Message& m : messages)
            system->RouteSoundMessage(m.message, m.wParam, m.lParam);
    }

    // The recorded playbacks of the stream created `index`-th (from 0).
    std::vector<platform::HeadlessAudio::Playback> Playbacks(size_t index) const {
        auto buffers = audio.Buffers();
        return index < buffers.size() ? buffers[index].playbacks
                                      : std::vector<platform::HeadlessAudio::Playback>{};
    }

    static constexpr std::chrono::milliseconds kPatience{5000};

    // The sound lines go here rather than to stderr.
    platform::DebugOutputCapture debug;
    platform::HeadlessAudio audio;
    std::unique_ptr<TestSoundSystem> system = std::make_unique<TestSoundSystem>();
    int initResult = 0;
};

inline size_t CountMessages(const std::vector<platform::Message>& messages, uint32_t number,
                            uint32_t id) {
    size_t n = 0;
    for (const platform::Message& m : messages)
        n += m.message == number && m.wParam == id;
    return n;
}

} // namespace sound_fixture
