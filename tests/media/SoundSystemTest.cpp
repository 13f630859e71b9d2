// The sound system's start-up, its stream ids and names, the routing of its
// messages, labels, and running without an audio device.
#include "SoundRig.h"

#include "platform/audio/HeadlessAudio.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

using namespace sound_fixture;
using namespace std::chrono_literals;
using platform::HeadlessAudio;

namespace {

const std::vector<unsigned char>& ShortSound() {
    return Vorbis(2, 44100, 8000);
}

struct InitCase {
    const char* name;
    HeadlessAudio::Faults faults;
    int result;
    bool device;
    bool primary;

    friend std::ostream& operator<<(std::ostream& out, const InitCase& c) { return out << c.name; }
};

class InitSoundTest : public ::testing::TestWithParam<InitCase> {};

} // namespace

TEST_P(InitSoundTest, FallsBackFromPriorityToNormalLevel) {
    const InitCase& c = GetParam();
    SoundRig rig(c.faults);
    EXPECT_EQ(rig.initResult, c.result);
    EXPECT_EQ(rig.Fields().directSound != nullptr, c.device);
    EXPECT_EQ(rig.Fields().primaryBuffer != nullptr, c.primary);
    // The messages are registered whatever the device did.
    EXPECT_EQ(rig.Fields().msgSoundPlay, platform::RegisterWindowMessage(L"WM_IM_ONSOUNDPLAY"));
    EXPECT_EQ(rig.Fields().msgLabel, platform::RegisterWindowMessage(L"WM_IM_ONLABEL"));
    EXPECT_EQ(rig.Fields().msgSoundStop, platform::RegisterWindowMessage(L"WM_IM_ONSOUNDSTOP"));
    EXPECT_EQ(rig.Fields().msgSoundPouse, platform::RegisterWindowMessage(L"WM_IM_ONSOUNDPOUSE"));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, InitSoundTest,
    ::testing::Values(
        InitCase{"Granted", {}, 0, true, true},
        InitCase{
            "PriorityRefused", {.priorityLevel = platform::AUDIOERR_ALLOCATED}, 0, true, false},
        InitCase{
            "NoPrimaryBuffer", {.primaryBuffer = platform::AUDIOERR_OUTOFMEMORY}, 0, true, false},
        InitCase{"PrimaryFormatRefused",
                 {.primaryFormat = platform::AUDIOERR_BADFORMAT},
                 0,
                 true,
                 false},
        InitCase{"PrimaryPlayRefused", {.primaryPlay = platform::AUDIOERR_GENERIC}, 0, true, false},
        InitCase{"BothLevelsRefused",
                 {.priorityLevel = platform::AUDIOERR_ALLOCATED,
                  .normalLevel = platform::AUDIOERR_INVALIDCALL},
                 platform::AUDIOERR_INVALIDCALL,
                 false,
                 false},
        InitCase{"NoDevice",
                 {.open = platform::AUDIOERR_NODRIVER},
                 platform::AUDIOERR_NODRIVER,
                 false,
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoundSystemTest, IdsStartAtOneAndGrowAcrossSoundsAndSources) {
    const auto path =
        std::filesystem::temp_directory_path() / ("zel-sound-" + std::to_string(getpid()) + ".ogg");
    // Declared before the rig, so that it goes after the rig's streams.
    struct RemoveAtEnd {
        std::filesystem::path path;
        ~RemoveAtEnd() {
            std::error_code ignored;
            std::filesystem::remove(path, ignored);
        }
    } removeAtEnd{path};
    SoundRig rig;
    const auto& bytes = ShortSound();
    const std::vector<unsigned char> corrupt(bytes.begin() + 200, bytes.end());

    {
        std::FILE* file = std::fopen(path.string().c_str(), "wb");
        ASSERT_TRUE(file);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    EXPECT_EQ(rig.FromMemory(L"ENDHELPSOUND", bytes), 1u);
    EXPECT_EQ(rig.FromMemory(L"bravo_sound", bytes), 2u) << "the same bytes under another name";
    EXPECT_EQ(rig.FromMemory(L"broken", corrupt), 0u);
    EXPECT_EQ(rig.Sounds().CreateStream(L"/no/such/file.ogg"), 0u);
    EXPECT_EQ(rig.Sounds().CreateStream(path.wstring()), 3u) << "a failed open uses up no id";
    EXPECT_EQ(rig.Sounds().CreateStream(path.wstring()), 3u);
    EXPECT_EQ(rig.FromMemory(L"ENDHELPSOUND", bytes), 1u);
    // On Linux the open stream reads on from a removed file; Windows keeps an
    // open file until its stream goes, so there the file goes with the rig.
    std::error_code kept;
    std::filesystem::remove(path, kept);

    // The file is decoded as the same sound.
    ASSERT_TRUE(rig.Play(3));
    rig.RunUntilSilent(2.0);
    auto played = rig.Playbacks(2);
    ASSERT_EQ(played.size(), 1u);
    const auto reference = DecodeReference(bytes);
    ASSERT_GE(played[0].samples.size(), reference.size());
    EXPECT_TRUE(std::equal(reference.begin(), reference.end(), played[0].samples.begin()));
}

TEST(SoundSystemTest, AskingAgainForANameDropsThePreviousOwnersStoppedHandlers) {
    SoundRig rig;
    const uint32_t id = rig.FromMemory(L"ENDHELPSOUND", ShortSound());
    int oldOwner = 0, newOwner = 0;
    rig.Sounds().ConnectSoundEnd(id, [&](uint32_t) { return long{++oldOwner}; });
    ASSERT_EQ(rig.FromMemory(L"ENDHELPSOUND", ShortSound()), id);
    rig.Sounds().ConnectSoundEnd(id, [&](uint32_t) { return long{++newOwner}; });

    ASSERT_TRUE(rig.Play(id));
    rig.RunUntilSilent(2.0);
    rig.Route(rig.WaitForMessages(2));
    EXPECT_EQ(oldOwner, 0);
    EXPECT_EQ(newOwner, 1);
}

TEST(SoundSystemTest, UnknownIdsChangeNothing) {
    SoundRig rig;
    const uint32_t id = rig.FromMemory(L"known", ShortSound());
    int calls = 0;
    auto count = [&](uint32_t) { return long{++calls}; };
    CSoundSystem& sounds = rig.Sounds();
    sounds.ConnectSoundEnd(id, count);
    sounds.ConnectLabel(id, 100, [&](uint32_t, uint32_t) { return long{++calls}; });

    EXPECT_FALSE(sounds.Play(0));
    EXPECT_FALSE(sounds.Play(id + 1));
    EXPECT_FALSE(sounds.Stop(0));
    EXPECT_FALSE(sounds.Stop(id + 1));
    EXPECT_FALSE(sounds.ConnectSoundEnd(0, count).connected());
    EXPECT_FALSE(sounds.ConnectSoundEnd(id + 1, count).connected());

    auto& f = rig.Fields();
    for (uint32_t message : {f.msgSoundPlay, f.msgSoundStop, f.msgSoundPouse, f.msgLabel}) {
        EXPECT_TRUE(sounds.RouteSoundMessage(message, id + 1, 100));
        EXPECT_TRUE(sounds.RouteSoundMessage(message, 0, 100));
    }
    EXPECT_FALSE(sounds.RouteSoundMessage(0, id, 0)) << "WM_NULL is no sound message";
    EXPECT_FALSE(sounds.RouteSoundMessage(f.msgSoundPouse + 1000, id, 0));
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(SoundRig::Drain().empty());
    EXPECT_FALSE(rig.audio.AnyBufferPlaying());

    sounds.RouteSoundMessage(f.msgSoundPouse, id, 0);
    sounds.RouteSoundMessage(f.msgLabel, id, 100);
    EXPECT_EQ(calls, 2) << "the same messages with the right id do reach the handlers";
}

namespace {

// The main window's timers as a test drives them: it fires them itself, and
// every call must come from the main thread.
class FakeTimers final : public SoundTimers {
public:
    int AddLabelTimer(uint32_t interval, std::function<void(int)> onTimer) override {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        timers[++lastId] = {interval, std::move(onTimer)};
        return lastId;
    }
    void RemoveLabelTimer(int timerId) override {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        timers.erase(timerId);
    }
    void Fire(int timerId) {
        auto handler = timers.at(timerId).second;
        handler(timerId);
    }

    std::thread::id mainThread = std::this_thread::get_id();
    std::map<int, std::pair<uint32_t, std::function<void(int)>>> timers;
    int lastId = 0;
};

} // namespace

TEST(SoundSystemTest, LabelsAnnounceTheirTimeAndGoWithThePlayback) {
    SoundRig rig;
    FakeTimers timers;
    CSoundSystem& sounds = rig.Sounds();
    sounds.SetLabelTimers(&timers);
    const uint32_t id = rig.FromMemory(L"labelled", ShortSound());
    ASSERT_TRUE(sounds.AddLabel(id, 120));
    ASSERT_TRUE(sounds.AddLabel(id, 250));
    std::vector<std::pair<uint32_t, uint32_t>> heard;
    sounds.ConnectLabel(id, 120, [&](uint32_t stream, uint32_t time) {
        heard.emplace_back(stream, time);
        return 0L;
    });

    // Playing schedules one timer per label; the first to fire announces its
    // time through the queue and goes.
    ASSERT_TRUE(rig.Play(id));
    ASSERT_EQ(timers.timers.size(), 2u);
    EXPECT_EQ(timers.timers.at(1).first, 120u);
    EXPECT_EQ(timers.timers.at(2).first, 250u);
    timers.Fire(1);
    EXPECT_EQ(timers.timers.count(1), 0u);
    auto queued = SoundRig::Drain();
    EXPECT_EQ(CountMessages(queued, rig.Fields().msgLabel, id), 1u);
    rig.Route(queued);
    EXPECT_EQ(heard, (std::vector<std::pair<uint32_t, uint32_t>>{{id, 120}}));

    // When the data runs out the worker leaves the last timer alone; handling
    // the stopped notification on the main thread removes it.
    rig.RunUntilSilent(2.0);
    queued = rig.WaitForMessages(1);
    EXPECT_EQ(timers.timers.size(), 1u);
    rig.Route(queued);
    EXPECT_TRUE(timers.timers.empty());

    // A fired label is used up; the one left is scheduled again, and Stop
    // removes it.
    ASSERT_TRUE(rig.Play(id));
    ASSERT_EQ(timers.timers.size(), 1u);
    EXPECT_EQ(timers.timers.begin()->second.first, 250u);
    ASSERT_TRUE(sounds.Stop(id));
    EXPECT_TRUE(timers.timers.empty());
    rig.Route(SoundRig::Drain());
    sounds.SetLabelTimers(nullptr);
}

namespace {

// Selects an SDL audio driver for one test, with no headless output installed.
class ScopedAudioDriver {
public:
    explicit ScopedAudioDriver(const char* driver) {
        if (const char* old = std::getenv("SDL_AUDIODRIVER"))
            previous = old;
        setenv("SDL_AUDIODRIVER", driver, 1);
    }
    ~ScopedAudioDriver() {
        if (previous.empty())
            unsetenv("SDL_AUDIODRIVER");
        else
            setenv("SDL_AUDIODRIVER", previous.c_str(), 1);
    }

private:
    std::string previous;
};

} // namespace

TEST(SoundSystemTest, WithoutAnAudioDeviceEverythingAnswersAndNothingPlays) {
    ScopedAudioDriver driver("no-such-driver");
    platform::ClearMessages();
    platform::DebugOutputCapture debug;
    CSoundSystem sounds;
    EXPECT_EQ(sounds.InitSound(nullptr), platform::AUDIOERR_NODRIVER);
    const auto& bytes = ShortSound();
    const uint32_t id = sounds.CreateStreamFromMemory(L"silent", bytes.data(), bytes.size());
    ASSERT_EQ(id, 1u);
    EXPECT_TRUE(sounds.Play(id));
    EXPECT_TRUE(sounds.Stop(id));
    EXPECT_TRUE(SoundRig::Drain().empty()) << "no playback started, so none is announced";
}

TEST(SoundSystemTest, PlaysThroughSdlsDummyDriverInRealTime) {
    ScopedAudioDriver driver("dummy");
    platform::ClearMessages();
    platform::DebugOutputCapture debug;
    CSoundSystem sounds;
    ASSERT_EQ(sounds.InitSound(nullptr), 0);
    const auto& bytes = ShortSound();
    const uint32_t id = sounds.CreateStreamFromMemory(L"real", bytes.data(), bytes.size());
    int stopped = 0;
    sounds.ConnectSoundEnd(id, [&](uint32_t) { return long{++stopped}; });
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(sounds.Play(id));

    // The worker's own notification ends the playback, after about a second.
    while (stopped == 0 && std::chrono::steady_clock::now() - start < 10s) {
        platform::WaitForMessage(20ms);
        platform::Message m;
        while (platform::PeekMessage(m))
            sounds.RouteSoundMessage(m.message, m.wParam, m.lParam);
    }
    EXPECT_EQ(stopped, 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 800ms);
}
