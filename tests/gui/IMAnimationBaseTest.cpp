// Picture-sequence animations timed from the performance counter.
#include "GuiFixture.h"

#include "gui/IMAnimationBase.h"
#include "gui/IMSequenceView.h"

using namespace platform;

class IMAnimationBaseTest : public GuiTest {
protected:
    using Animation = IMAnimationBase<IMSequenceView>;

    Animation* MakeAnimation(int frameCount) {
        auto* animation = new Animation(window, 95);
        for (int i = 0; i < frameCount; ++i) {
            const std::wstring name = L"frame " + std::to_wstring(i);
            MakeSolidPicture(name, 8, 8, 0xFF000000u | uint32_t(i));
            animation->AddFrame(name);
        }
        animation->SetLastFrame(static_cast<unsigned>(frameCount - 1));
        return animation;
    }
};

TEST_F(IMAnimationBaseTest, TenFramesAtTheDefaultPeriodPlayOnceInFourHundredMilliseconds) {
    Animation* animation = MakeAnimation(10);
    int frames = 0;
    int64_t stoppedAt = -1;
    int64_t t = 0;
    animation->OnFrame.connect([&](const IMEvent&) { return long(++frames); });
    animation->OnStop.connect([&](const IMEvent&) { return long(stoppedAt = t); });
    Pass();
    ASSERT_EQ(animation->GetFrame(), 0);
    animation->Play();
    EXPECT_EQ(frames, 1);

    for (t = 0; t <= 440; t += 4) {
        Pass();
        EXPECT_EQ(animation->GetFrame(), std::min<int>(t / 40, 9)) << t << " ms";
        EXPECT_EQ(Renderer->Slot(animation->textureId)->name,
                  L"frame " + std::to_wstring(animation->GetFrame()));
        AdvanceMilliseconds(4);
    }
    EXPECT_EQ(frames, 10);
    EXPECT_EQ(stoppedAt, 400);
    EXPECT_FALSE(animation->playing);
}

TEST_F(IMAnimationBaseTest, ASingleFrameNeverStopsAndNeedsNoWakeUp) {
    Animation* animation = MakeAnimation(1);
    int stops = 0;
    animation->OnStop.connect([&](const IMEvent&) { return long(++stops); });
    animation->Play();
    for (int i = 0; i < 5; ++i) {
        AdvanceMilliseconds(1000);
        Pass();
    }
    EXPECT_TRUE(animation->playing);
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(animation->NextWakeUp(), std::nullopt);
}

TEST_F(IMAnimationBaseTest, TheFrameRangeStaysWithinTheFrames) {
    Animation* animation = MakeAnimation(3);
    struct Case {
        unsigned value;
        int clamped;
    } cases[] = {{0, 0}, {2, 2}, {5, 2}, {unsigned(-1), 0}};
    for (const Case& c : cases) {
        animation->SetFirstFrame(c.value);
        animation->SetLastFrame(c.value);
        EXPECT_EQ(animation->GetFirstFrame(), c.clamped) << c.value;
        EXPECT_EQ(animation->GetLastFrame(), c.clamped) << c.value;
    }
    animation->SetFrame(1);
    animation->SetFrame(3);
    EXPECT_EQ(animation->GetFrame(), 1);
    EXPECT_EQ(Renderer->Slot(animation->textureId)->name, L"frame 1");
}
