// The exercise's own instruction on the headless twins: narration 191 with
// video 190, the closing phrase and key hint when the narration ends, the
// narration silenced by Esc and by the key that closes a repetition, and the
// ending by the video when there is no sound output.
#include "app/App.h"

#include <gtest/gtest.h>

#include <SDL_keycode.h>

#include <chrono>
#include <thread>
#include <vector>

#include "gui/IMAnimationBase.h"
#include "gui/IMTheoraView.h"
#include "media/IMResourceManager.h"
#include "tests/shell/TitleWindowTest.h"

namespace {

using namespace std::chrono_literals;
using Dialog = IMDialogBase<IMEmptyView>;
using Video = IMAnimationBase<IMTheoraView>;

class AppInstructionTest : public TitleWindowTest<App> {
public:
    AppInstructionTest() : TitleWindowTest(kWindowTitle) {}

    // Plays sound and moves the clock together, a quarter second at a time,
    // until the condition holds or the time is up; the seconds played.
    template <class Condition> double PlayUntil(Condition condition, double limitSeconds) {
        double played = 0;
        while (!condition() && played < limitSeconds) {
            const uint64_t reads = audio.Advance(250ms);
            audio.WaitForCursorReads(reads, 2, 5s);
            clock.AdvanceMilliseconds(250);
            played += 0.25;
            // A worker posts its stopped notification just after its buffer
            // stops.
            for (int i = 0; i < 3; ++i) {
                Pass();
                if (!audio.AnyBufferPlaying())
                    std::this_thread::sleep_for(5ms);
            }
        }
        return played;
    }

    static bool ShowsKeyHint(Dialog* dialog) { return !PicturesOf(dialog, L"KEYBOARDPIC").empty(); }
    // The narration's playbacks: it is the first sound made.
    std::vector<platform::HeadlessAudio::Playback> Narrations() const {
        const auto buffers = audio.Buffers();
        return buffers.empty() ? std::vector<platform::HeadlessAudio::Playback>{}
                               : buffers[0].playbacks;
    }
};

TEST_F(AppInstructionTest, TheNarratedVideoEndsWithTheKeyHintAndSpaceStartsTheGame) {
    app->BeginInstruction();
    Pass();
    Dialog* instruction = TopScreen();
    ASSERT_NE(instruction, nullptr);
    const std::vector<Video*> videos = All<Video>(instruction);
    ASSERT_EQ(videos.size(), 1u);
    EXPECT_EQ(videos[0]->stream.data, IMResourceManager::FindAssetResource(190).bytes.data);
    EXPECT_EQ(videos[0]->period, 2400);
    EXPECT_EQ(videos[0]->GetRect(), (platform::Rect{0, 0, 800, 600}));
    EXPECT_TRUE(videos[0]->playing);
    ASSERT_EQ(audio.Buffers().size(), 1u);
    EXPECT_EQ(audio.Buffers()[0].format.sampleRate, 44000);

    const double played = PlayUntil([&] { return ShowsKeyHint(instruction); }, 90);
    // The narration lasts about 65 s; the end is heard a second later.
    EXPECT_GT(played, 64.0);
    EXPECT_LT(played, 68.0);
    ASSERT_EQ(Narrations().size(), 1u);
    EXPECT_EQ(app->stepDialog, nullptr);
    Key(SDLK_SPACE);
    Pass();
    EXPECT_NE(app->stepDialog, nullptr);
    EXPECT_FALSE(app->instructionShown);
}

TEST_F(AppInstructionTest, EscAndTheKeyClosingARepetitionSilenceTheNarration) {
    app->BeginInstruction();
    Pass();
    PlayUntil([] { return false; }, 3);
    Key(SDLK_ESCAPE);
    Dialog* step = app->stepDialog;
    ASSERT_NE(step, nullptr);
    ASSERT_EQ(Narrations().size(), 1u);
    EXPECT_TRUE(Narrations()[0].stopMicroseconds.has_value());
    // The stopped notification comes to nothing: the closed instruction gets
    // no key hint, nothing else opens.
    PlayUntil([] { return false; }, 1);
    EXPECT_EQ(TopScreen(), step);

    Key(SDLK_F1);
    Dialog* repeated = TopScreen();
    ASSERT_NE(repeated, step);
    EXPECT_EQ(app->extraInstructionCount, 1);
    PlayUntil([] { return false; }, 2);
    Key(SDLK_a);
    Pass();
    EXPECT_EQ(TopScreen(), step);
    const auto narrations = Narrations();
    ASSERT_EQ(narrations.size(), 2u);
    EXPECT_TRUE(narrations[1].stopMicroseconds.has_value());
    // From its beginning again.
    const auto& first = narrations[0].samples;
    const auto& second = narrations[1].samples;
    ASSERT_GE(second.size(), 44000u);
    EXPECT_TRUE(std::equal(second.begin(), second.begin() + 44000, first.begin()));
}

class SilentAppInstructionTest : public AppInstructionTest {
public:
    void SetUp() override {
        platform::HeadlessAudio::Faults faults;
        faults.open = platform::AUDIOERR_NODRIVER;
        audio.SetFaults(faults);
        AppInstructionTest::SetUp();
    }
};

TEST_F(SilentAppInstructionTest, WithoutASoundOutputTheInstructionEndsWithItsVideo) {
    app->BeginInstruction();
    Pass();
    Dialog* instruction = TopScreen();
    ASSERT_NE(instruction, nullptr);
    const Video* video = All<Video>(instruction).at(0);
    double seconds = 0;
    while (!ShowsKeyHint(instruction) && seconds < 90) {
        clock.AdvanceMilliseconds(500);
        seconds += 0.5;
        Pass();
    }
    EXPECT_FALSE(video->playing);
    EXPECT_GT(seconds, 64.0);
    EXPECT_LT(seconds, 66.5);
    Key(SDLK_SPACE);
    EXPECT_NE(app->stepDialog, nullptr);
}

} // namespace
