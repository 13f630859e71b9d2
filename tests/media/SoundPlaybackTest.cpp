// Playback through the worker threads on the headless output: every frame is
// heard, the stop comes after the last one, Stop and replay behave.
#include "SoundRig.h"

#include "platform/resources/AssetResources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <span>
#include <thread>
#include <unistd.h>

using namespace sound_fixture;
using namespace std::chrono_literals;

namespace {

bool AllSilent(const std::vector<int16_t>& samples, size_t from) {
    return std::all_of(samples.begin() +
                           static_cast<std::ptrdiff_t>(std::min(from, samples.size())),
                       samples.end(), [](int16_t s) { return s == 0; });
}

// The played samples begin with the whole reference and are silent after it.
void ExpectPlayedExactly(const std::vector<int16_t>& played,
                         const std::vector<int16_t>& reference) {
    ASSERT_GE(played.size(), reference.size()) << "the sound stopped before its last frame";
    EXPECT_TRUE(std::equal(reference.begin(), reference.end(), played.begin()))
        << "what was played is not the sound from its first frame";
    EXPECT_TRUE(AllSilent(played, reference.size())) << "only silence follows the last frame";
}

struct Length {
    int channels;
    int rate;
    int64_t frames;
    double stopAtLeast; // seconds of output
    double stopAtMost;

    friend std::ostream& operator<<(std::ostream& out, const Length& l) {
        return out << l.channels << " channels at " << l.rate << " Hz, " << l.frames << " frames";
    }
};

class SoundPlaysCompletely : public ::testing::TestWithParam<Length> {};

} // namespace

TEST_P(SoundPlaysCompletely, EveryFrameThenSilenceThenTheStoppedNotification) {
    const Length length = GetParam();
    const auto& bytes = Vorbis(length.channels, length.rate, length.frames);
    const std::vector<int16_t> reference = DecodeReference(bytes);
    ASSERT_EQ(reference.size(), static_cast<size_t>(length.frames * length.channels));

    SoundRig rig;
    const uint32_t id = rig.FromMemory(L"sound", bytes);
    ASSERT_NE(id, 0u);
    int stopped = 0;
    rig.Sounds().ConnectSoundEnd(id, [&](uint32_t) { return long{++stopped}; });
    ASSERT_TRUE(rig.Play(id));
    const double stopTime = rig.RunUntilSilent(length.stopAtMost + 1.0);
    rig.Route(rig.WaitForMessages(2));

    EXPECT_EQ(stopped, 1);
    auto playbacks = rig.Playbacks(0);
    ASSERT_EQ(playbacks.size(), 1u);
    ExpectPlayedExactly(playbacks[0].samples, reference);
    EXPECT_GE(stopTime, length.stopAtLeast);
    EXPECT_LE(stopTime, length.stopAtMost);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, SoundPlaysCompletely,
    ::testing::Values(
        // 2 s of stereo at 44000 Hz: all 88000 frames, the stop half a second after.
        Length{2, 44000, 88000, 2.4, 2.65},
        // Shorter than half a second: heard completely, stopped about a second
        // after the start.
        Length{2, 44100, 13230, 0.95, 1.15},
        // A second at 11025 Hz does not split into two whole halves of frames.
        Length{2, 11025, 22050, 2.0, 2.65}, Length{1, 11025, 16537, 1.5, 2.15}),
    [](const auto& info) {
        return std::to_string(info.param.channels) + "ch" + std::to_string(info.param.rate) + "Hz" +
               std::to_string(info.param.frames);
    });

TEST(SoundPlaybackTest, StopReturnsAfterTheWorkerPostedTheStoppedMessageAndHandlersRunOnceLater) {
    const auto& bytes = Vorbis(2, 22050, 3 * 22050);
    SoundRig rig;
    const uint32_t id = rig.FromMemory(L"long", bytes);
    ASSERT_TRUE(rig.Play(id));
    rig.Step(300ms);

    int calls = 0;
    std::thread::id handlerThread;
    rig.Sounds().ConnectSoundEnd(id, [&](uint32_t stream) {
        EXPECT_EQ(stream, id);
        handlerThread = std::this_thread::get_id();
        return long{++calls};
    });
    EXPECT_TRUE(rig.Sounds().Stop(id));

    // Nothing is waited for here: the message is already queued.
    auto queued = SoundRig::Drain();
    EXPECT_EQ(CountMessages(queued, rig.Fields().msgSoundPouse, id), 1u);
    EXPECT_EQ(CountMessages(queued, rig.Fields().msgSoundPlay, id), 1u);
    EXPECT_EQ(calls, 0) << "handlers run only when the main thread handles the message";
    EXPECT_FALSE(rig.audio.AnyBufferPlaying());

    rig.Route(queued);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(handlerThread, std::this_thread::get_id());

    EXPECT_TRUE(rig.Sounds().Stop(id)) << "the system answers true for a known id";
    rig.audio.Advance(1500ms);
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(SoundRig::Drain().empty()) << "one stopped message per playback";
    EXPECT_EQ(rig.debug.Text(), L" звук играет\n звук стой\n звук остановился\n");
}

TEST(SoundPlaybackTest, PlayFromTheStoppedHandlerStartsAgainFromTheBeginning) {
    const auto& bytes = Vorbis(2, 22050, 3 * 22050);
    const std::vector<int16_t> reference = DecodeReference(bytes);
    SoundRig rig;
    const uint32_t id = rig.FromMemory(L"again", bytes);
    ASSERT_TRUE(rig.Play(id));
    for (int i = 0; i < 14; ++i)
        rig.Step(50ms);
    ASSERT_TRUE(rig.Sounds().Stop(id));

    bool replayed = false;
    rig.Sounds().ConnectSoundEnd(id, [&](uint32_t stream) {
        replayed = rig.Sounds().Play(stream);
        return 0L;
    });
    rig.Route(SoundRig::Drain());
    ASSERT_TRUE(replayed);
    ASSERT_TRUE(
        rig.audio.WaitForCursorReads(rig.audio.Advance(0ms), 1, SoundRig::kPatience, false));
    for (int i = 0; i < 6; ++i)
        rig.Step(50ms);

    auto playbacks = rig.Playbacks(0);
    ASSERT_EQ(playbacks.size(), 2u);
    const auto& second = playbacks[1].samples;
    ASSERT_GE(second.size(), 2u * 6000);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), reference.begin()));
}

TEST(SoundPlaybackTest, TwoStreamsPlayTogetherAndALostBufferIsRestored) {
    const auto& first = Vorbis(2, 44100, 30000);
    const auto& second = Vorbis(1, 22050, 20000);
    SoundRig rig;
    const uint32_t a = rig.FromMemory(L"a", first);
    const uint32_t b = rig.FromMemory(L"b", second);
    ASSERT_TRUE(rig.Play(a));
    ASSERT_TRUE(rig.Play(b));
    rig.Step(200ms);
    rig.audio.LoseBuffers();
    rig.RunUntilSilent(4.0);

    auto messages = rig.WaitForMessages(4);
    EXPECT_EQ(CountMessages(messages, rig.Fields().msgSoundPouse, a), 1u);
    EXPECT_EQ(CountMessages(messages, rig.Fields().msgSoundPouse, b), 1u);
    // The loss silenced what the buffers held; the refills after it play on.
    auto playedA = rig.Playbacks(0);
    ASSERT_EQ(playedA.size(), 1u);
    const auto reference = DecodeReference(first);
    ASSERT_GE(playedA[0].samples.size(), reference.size());
    EXPECT_TRUE(
        std::equal(reference.begin(), reference.begin() + 2 * 8000, playedA[0].samples.begin()));
}

TEST(SoundPlaybackTest, DataEndsAtADecodingErrorAndNothingPlaysAfterTheSilence) {
    // Six seconds span several pages; one in the middle is damaged.
    std::vector<unsigned char> bytes = Vorbis(2, 44100, 6 * 44100);
    for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 64; ++i)
        bytes[i] ^= 0x5A;
    SoundRig rig;
    const uint32_t id = rig.FromMemory(L"damaged", bytes);
    ASSERT_NE(id, 0u);
    ASSERT_TRUE(rig.Play(id));
    rig.RunUntilSilent(8.0, 100ms);
    EXPECT_EQ(CountMessages(rig.WaitForMessages(2), rig.Fields().msgSoundPouse, id), 1u);

    // The reference decoder, too, stops at the damage.
    const std::vector<int16_t> reference = DecodeReference(bytes);
    ASSERT_LT(reference.size(), 2u * 44100 * 5) << "the damage ends the sound early";
    auto playbacks = rig.Playbacks(0);
    ASSERT_EQ(playbacks.size(), 1u);
    ExpectPlayedExactly(playbacks[0].samples, reference);
}

TEST(SoundPlaybackTest, AResourcePlaysShorterThanTheSameBytesFromMemory) {
    const auto& bytes = Vorbis(2, 44000, 88000);
    const std::vector<int16_t> reference = DecodeReference(bytes);
    // The resource lives in an asset container of the test's own, under a
    // number the program's resources do not use. The file goes at once: the
    // sound's module handle keeps the open container and its bytes.
    const std::string path = testing::TempDir() + "sound-" + std::to_string(getpid()) + ".pak";
    const platform::AssetContainerEntry entry{4191,
                                              std::span<const uint8_t>(bytes.data(), bytes.size())};
    ASSERT_TRUE(platform::WriteAssetContainer(path, {&entry, 1}));
    platform::SetAssetContainerPath(path);
    SoundRig rig;
    const uint32_t resource = rig.Sounds().CreateStream(L"4191");
    std::remove(path.c_str());
    platform::SetAssetContainerPath("");
    const uint32_t memory = rig.FromMemory(L"the same bytes", bytes);
    ASSERT_NE(resource, 0u);
    ASSERT_NE(memory, 0u);

    ASSERT_TRUE(rig.Play(resource));
    ASSERT_TRUE(rig.Play(memory));
    rig.RunUntilSilent(4.0);

    auto fromResource = rig.Playbacks(0);
    auto fromMemory = rig.Playbacks(1);
    ASSERT_EQ(fromResource.size(), 1u);
    ASSERT_EQ(fromMemory.size(), 1u);
    // 88000 − trunc(2 × 44000 × 2 × 0.02) = 84480 frames.
    ExpectPlayedExactly(fromResource[0].samples,
                        std::vector<int16_t>(reference.begin(), reference.begin() + 2 * 84480));
    ExpectPlayedExactly(fromMemory[0].samples, reference);
}
