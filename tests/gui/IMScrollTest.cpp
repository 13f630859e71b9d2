// The scroll bar: its layout, clamping, the steps of arrows and track, the repeat of a held
// button on the test clock, and dragging the thumb.
#include "GuiFixture.h"

#include "gui/IMScroll.h"

using namespace platform;

namespace {

class IMScrollTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        // 16 × 300 at the right edge of a 400 × 300 panel at (100, 100); the track is 268 long.
        panel = CreateDialog(window, 100, 100, 400, 300);
        scroll = new IMScroll(panel);
        scroll->OnScroll.connect([this](const IMEvent& event, int position) {
            EXPECT_EQ(event.control, scroll);
            reported.push_back(position);
            return 0L;
        });
        Pass();
    }

    // Screen points inside the parts.
    static constexpr int kX = 100 + 392;
    static constexpr int kUpY = 100 + 8;
    static constexpr int kDownY = 100 + 292;

    void Press(int x, int y) {
        display.MoveMouse(x, y);
        display.PressButton(SDL_BUTTON_LEFT, x, y);
        Pass();
    }
    void Release(int x, int y) {
        display.ReleaseButton(SDL_BUTTON_LEFT, x, y);
        Pass();
    }
    void Click(int x, int y) {
        Press(x, y);
        Release(x, y);
    }
    void Move(int x, int y) {
        display.MoveMouse(x, y);
        Pass();
    }

    IMControl::Dialog* panel = nullptr;
    IMScroll* scroll = nullptr;
    std::vector<int> reported;
};

TEST_F(IMScrollTest, LayoutFollowsThePosition) {
    EXPECT_EQ(scroll->GetRect(), (Rect{384, 0, 400, 300}));
    struct {
        int pos;
        Rect thumb, before, after;
    } cases[] = {
        // The part before the thumb reaches W under it; at the end the part after is empty.
        {0, {0, 16, 16, 42}, {0, 16, 16, 32}, {0, 42, 16, 284}},
        {50, {0, 150, 16, 176}, {0, 16, 16, 166}, {0, 176, 16, 284}},
        {90, {0, 257, 16, 283}, {0, 16, 16, 273}, {0, 284, 16, 284}},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.pos);
        scroll->SetPos(c.pos);
        EXPECT_EQ(scroll->upButton->GetRect(), (Rect{0, 0, 16, 16}));
        EXPECT_EQ(scroll->downButton->GetRect(), (Rect{0, 284, 16, 300}));
        EXPECT_EQ(scroll->trackPicture->GetRect(), (Rect{0, 0, 16, 300}));
        EXPECT_EQ(scroll->thumb->GetRect(), c.thumb);
        EXPECT_EQ(scroll->trackBefore->GetRect(), c.before);
        EXPECT_EQ(scroll->trackAfter->GetRect(), c.after);
    }
}

TEST_F(IMScrollTest, SetPosClampsAndReportsOnlyChanges) {
    for (int value : {-5, 0, 95, 90, 40, 40})
        scroll->SetPos(value);
    EXPECT_EQ(reported, (std::vector<int>{90, 40}));
    // A range smaller than the page leaves maxValue − page.
    scroll->maxValue = 5;
    scroll->SetPos(3);
    EXPECT_EQ(scroll->pos, -5);
}

TEST_F(IMScrollTest, ArrowsStepByATenthOfThePageAndTheTrackByAPage) {
    Click(kX, kDownY);
    Click(kX, kDownY);
    EXPECT_EQ(scroll->pos, 2);
    Click(kX, kUpY);
    EXPECT_EQ(scroll->pos, 1);
    // Below the thumb, then above it.
    Click(kX, 100 + 150);
    EXPECT_EQ(scroll->pos, 11);
    Click(kX, 100 + 20);
    EXPECT_EQ(scroll->pos, 1);
    for (int i = 0; i < 12; ++i)
        Click(kX, 100 + 270);
    EXPECT_EQ(scroll->pos, 90);
    EXPECT_EQ(reported, (std::vector<int>{1, 2, 1, 11, 1, 11, 21, 31, 41, 51, 61, 71, 81, 90}));
}

TEST_F(IMScrollTest, AHeldArrowRepeatsAfterHalfASecondThenEveryFiftyMilliseconds) {
    const size_t timers = window->timers.size();
    Press(kX, kDownY);
    EXPECT_EQ(scroll->pos, 1);
    AdvanceMilliseconds(499);
    Pass();
    EXPECT_EQ(scroll->pos, 1);
    AdvanceMilliseconds(1);
    Pass();
    EXPECT_EQ(scroll->pos, 2);
    for (int i = 0; i < 3; ++i) {
        AdvanceMilliseconds(49);
        Pass();
        AdvanceMilliseconds(1);
        Pass();
    }
    EXPECT_EQ(scroll->pos, 5);
    Release(kX, kDownY);
    EXPECT_EQ(window->timers.size(), timers);
    AdvanceMilliseconds(1000);
    Pass();
    EXPECT_EQ(scroll->pos, 5);

    // Leaving the arrow with the button held stops the repeat too.
    Press(kX, kUpY);
    EXPECT_EQ(scroll->pos, 4);
    Move(kX - 100, kUpY);
    AdvanceMilliseconds(1000);
    Pass();
    EXPECT_EQ(scroll->pos, 4);
    EXPECT_EQ(window->timers.size(), timers);
    Release(kX - 100, kUpY);
}

TEST_F(IMScrollTest, TheThumbFollowsThePointerAndStopsAtTheArrows) {
    scroll->SetPos(50); // thumb at 150 … 176
    reported.clear();
    Press(kX, 100 + 170);
    // The thumb follows the pointer; the position is the nearest to the thumb's place:
    // 100 · 135 / 268 rounds to 50 still, 100 · 154 / 268 to 57.
    Move(kX, 100 + 171);
    EXPECT_EQ(scroll->thumb->GetRect().top, 151);
    EXPECT_EQ(scroll->pos, 50);
    Move(kX, 100 + 190);
    EXPECT_EQ(scroll->thumb->GetRect().top, 170);
    EXPECT_EQ(scroll->pos, 57);

    // Far past the bottom: the thumb stops on the down arrow, the position at its end.
    Move(kX, 599);
    EXPECT_EQ(scroll->thumb->GetRect(), (Rect{0, 258, 16, 284}));
    EXPECT_EQ(scroll->pos, 90);
    // Far past the top.
    Move(kX, 0);
    EXPECT_EQ(scroll->thumb->GetRect(), (Rect{0, 16, 16, 42}));
    EXPECT_EQ(scroll->pos, 0);
    EXPECT_EQ(reported, (std::vector<int>{57, 90, 0}));

    // Releasing anywhere ends the drag.
    Release(kX - 300, 100);
    Move(kX, 100 + 200);
    EXPECT_EQ(scroll->pos, 0);
    EXPECT_EQ(scroll->thumb->GetRect(), (Rect{0, 16, 16, 42}));
    EXPECT_EQ(reported.size(), 3u);
}

} // namespace
