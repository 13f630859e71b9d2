// The sound device vanishing while sounds play (a headset unplugged, the
// sound server gone): nothing more is heard, yet every sound runs on to its
// end and says so, and new sounds play and end the same way.
#include "SoundRig.h"

#include <gtest/gtest.h>

using namespace sound_fixture;
using namespace std::chrono_literals;

namespace {

// Routes the queued sound messages until the stream's stopped one has come.
void RouteUntilStopped(SoundRig& rig, uint32_t id) {
    std::vector<platform::Message> messages;
    for (int wait = 0; wait < 50 && CountMessages(messages, rig.Fields().msgSoundPouse, id) == 0;
         ++wait) {
        const std::vector<platform::Message> more = rig.WaitForMessages(1);
        messages.insert(messages.end(), more.begin(), more.end());
    }
    rig.Route(messages);
}

TEST(SoundDeviceLossTest, SoundsGoOnSilentlyToTheirEndsAndNewOnesPlayAndEnd) {
    const auto& longSound = Vorbis(2, 44100, 3 * 44100);
    const auto& shortSound = Vorbis(1, 22050, 22050 / 2);
    SoundRig rig;
    const uint32_t narration = rig.FromMemory(L"narration", longSound);
    const uint32_t praise = rig.FromMemory(L"praise", shortSound);
    int narrationEnds = 0;
    int praiseEnds = 0;
    rig.Sounds().ConnectSoundEnd(narration, [&](uint32_t) { return long{++narrationEnds}; });
    rig.Sounds().ConnectSoundEnd(praise, [&](uint32_t) { return long{++praiseEnds}; });

    ASSERT_TRUE(rig.Play(narration));
    for (int step = 0; step < 20; ++step)
        rig.Step(50ms);
    const size_t heardBefore = rig.audio.Output().size();
    ASSERT_GT(heardBefore, 0u);

    rig.audio.RemoveDevice();
    // The narration of 3 s stops half a second after its last frame, as it
    // would have with the device there.
    const double narrationStop = rig.RunUntilSilent(6.0);
    RouteUntilStopped(rig, narration);
    EXPECT_EQ(narrationEnds, 1) << "the narration's end came, so what waits for it goes on";
    EXPECT_GE(narrationStop, 3.4);
    EXPECT_LE(narrationStop, 3.7);

    const double praiseStart = rig.audio.NowMicroseconds() / 1e6;
    ASSERT_TRUE(rig.Play(praise)) << "a sound started after the loss plays too";
    const double praiseStop = rig.RunUntilSilent(praiseStart + 3.0);
    RouteUntilStopped(rig, praise);
    EXPECT_EQ(praiseEnds, 1);
    EXPECT_LE(praiseStop - praiseStart, 1.2);

    EXPECT_EQ(rig.audio.Output().size(), heardBefore) << "nothing reaches a device that is gone";
    const auto playbacks = rig.Playbacks(0);
    ASSERT_EQ(playbacks.size(), 1u);
    EXPECT_GE(playbacks[0].samples.size(), 3u * 44100 * 2) << "every frame passed the cursor";
}

} // namespace
