// What the game screen shows of the rules' state, read back from the pictures:
// the starting layout, the depth as fading water and a zooming bottom, the
// water under a moving boat, the arrows' timers and the end of the screen.
#include "app/App.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

#include "DepthTable.h"
#include "FakeGame.h"
#include "platform/WinCodes.h"

namespace {

bool Covers(FakeGame& game, int x, int y) {
    for (int i = 0; i < 4; ++i) {
        if (game.Tile(i).GetRect().Contains(x, y))
            return true;
    }
    return false;
}

TEST(GameScreenTest, StartsWithHalfSizedGreyItemsCentredOnTheirSpots) {
    FakeGame game;
    EXPECT_EQ(game.placement.fallbackSpots, 0);
    for (int i = 0; i < kSpotCount; ++i) {
        const Spot& spot = game.app.spots[i];
        const SpotKind& kind = kSpotTable[i];
        EXPECT_EQ(
            game.Marker(i).GetPosition(),
            (platform::Point{static_cast<int>(spot.mapX) + 225, static_cast<int>(spot.mapY) + 20}));
        EXPECT_EQ(spot.lensX, static_cast<int>((spot.mapX - 280) * 6 + 202.5));
        EXPECT_EQ(spot.lensY, static_cast<int>((spot.mapY - 170) * 6 + 396.0));
        const int width = kind.width / 2;
        const int height = kind.height / 2;
        const int left = static_cast<int>(spot.lensX - width * 0.5);
        const int top = static_cast<int>(spot.lensY - height * 0.5);
        EXPECT_EQ(game.Item(i).GetRect(), (platform::Rect{left, top, left + width, top + height}))
            << i;
        EXPECT_EQ(game.Item(i).color, 0xFF878787u);
        EXPECT_EQ(game.Item(i).TextureName(), std::to_wstring(kind.levels[0]));
        EXPECT_EQ(game.Shadow(i).GetRect().Width(), 62);
        EXPECT_EQ(game.Shadow(i).GetRect().Height(), 54);
    }
    EXPECT_EQ(game.LakeBottom().GetRect(), (platform::Rect{27, 221, 377, 571}));
    EXPECT_EQ(game.LakeBottom().color, 0xFF878787u);
    EXPECT_EQ(game.app.searchStart, platform::TimeGetTime());
    EXPECT_EQ(game.scene.RefCount(game.app.lakeMask), 1);
}

TEST(GameScreenTest, EachDepthFadesTheWaterOutAndZoomsTheBottomIn) {
    FakeGame game;
    auto check = [&game](const DepthRow& row) {
        SCOPED_TRACE("depth " + std::to_string(row.depth));
        ASSERT_EQ(game.app.depth, row.depth);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(game.Tile(i).Alpha(), row.water);
        EXPECT_EQ(game.Ripple().Alpha(), row.ripple);
        EXPECT_EQ(game.LakeBottom().GetRect(), row.bottom);
        EXPECT_EQ(game.LakeBottom().color, 0xFF000000u | row.grey * 0x010101u);
        for (int i = 0; i < kSpotCount; ++i) {
            EXPECT_EQ(game.Shadow(i).color, (row.shadow << 24) | 0xFFFFFFu);
            EXPECT_EQ(game.Item(i).color, (row.item << 24) | 0xFFFFFFu);
            const SpotKind& kind = kSpotTable[i];
            EXPECT_EQ(game.Item(i).GetRect(),
                      App::ItemRect(game.app.spots[i], row.depth, kind.width, kind.height));
            EXPECT_EQ(game.Shadow(i).GetRect(),
                      App::ItemRect(game.app.spots[i], row.depth, 125, 109));
        }
    };
    game.Press();
    for (const DepthRow& row : std::span(kDepthRows).subspan(1)) {
        const int marks = game.Tile(0).dirtyMarks;
        game.DiveTo(row.depth);
        EXPECT_GT(game.Tile(0).dirtyMarks, marks);
        check(row);
    }
    // Back up to the surface the water and the shadows return.
    game.SurfaceByWheel();
    check(kDepthRows[0]);
}

TEST(GameScreenTest, TheObjectsSharpenAt27And35AndBlurAgainOnTheWayUp) {
    FakeGame game;
    auto expectLevel = [&game](int level) {
        SCOPED_TRACE("depth " + std::to_string(game.app.depth));
        for (int i = 0; i < kSpotCount; ++i)
            EXPECT_EQ(game.Item(i).TextureName(), std::to_wstring(kSpotTable[i].levels[level]));
    };
    const struct {
        int depth;
        int level;
    } down[] = {{26, 0}, {27, 1}, {34, 1}, {35, 2}, {40, 2}},
      up[] = {{36, 2}, {35, 1}, {28, 1}, {27, 0}};
    for (const auto& step : down) {
        game.DiveTo(step.depth);
        expectLevel(step.level);
    }
    for (const auto& step : up) {
        while (game.app.depth > step.depth)
            game.Wheel(false);
        expectLevel(step.level);
    }
}

TEST(GameScreenTest, TheWaterTilesKeepTheGlassCoveredInEveryDirection) {
    const struct {
        int dx;
        int dy;
    } directions[] = {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};
    // The glass hole of the magnifier through which the water is seen.
    const platform::Rect glass{52, 248, 361, 556};
    for (const auto& d : directions) {
        FakeGame game;
        for (int step = 0; step < 400; ++step) {
            game.app.ScrollWater(d.dx, d.dy);
            for (int x : {glass.left, glass.left + 100, glass.left + 200, glass.right - 1}) {
                for (int y : {glass.top, glass.top + 100, glass.top + 200, glass.bottom - 1})
                    ASSERT_TRUE(Covers(game, x, y))
                        << "(" << x << ", " << y << ") after " << step + 1 << " steps of (" << d.dx
                        << ", " << d.dy << ")";
            }
            // Between the samples the tiles meet edge to edge.
            for (int i = 0; i < 4; ++i) {
                const platform::Rect r = game.Tile(i).GetRect();
                for (int x : {r.left - 1, r.right}) {
                    for (int y : {r.top, r.bottom - 1}) {
                        if (glass.Contains(x, y)) {
                            ASSERT_TRUE(Covers(game, x, y)) << "edge of tile " << i;
                        }
                    }
                }
                for (int y : {r.top - 1, r.bottom}) {
                    for (int x : {r.left, r.right - 1}) {
                        if (glass.Contains(x, y)) {
                            ASSERT_TRUE(Covers(game, x, y)) << "edge of tile " << i;
                        }
                    }
                }
            }
        }
    }
}

TEST(GameScreenTest, AHeldArrowStepsTheBoatUntilTheButtonIsLetGoOverAnArrow) {
    FakeGame game;
    game.HoldArrow(90);
    ASSERT_EQ(game.scene.TimerCount(), 1u);
    EXPECT_EQ(game.scene.timerIntervals.begin()->second, 10u);
    for (int i = 0; i < 3; ++i)
        game.scene.FireTimers();
    EXPECT_EQ(game.app.boatX, 283);

    // A second arrow pressed meanwhile starts no second timer.
    game.HoldArrow(180);
    EXPECT_EQ(game.scene.TimerCount(), 1u);

    // Letting go away from the arrows leaves the boat going; only a release
    // that reaches an arrow (any of the eight) stops it.
    game.ReleaseAwayFromArrows();
    EXPECT_EQ(game.scene.TimerCount(), 1u);
    game.scene.FireTimers();
    EXPECT_EQ(game.app.boatX, 284);
    game.app.OnArrowButton(platform::WM_LBUTTONUP, 180);
    EXPECT_EQ(game.scene.TimerCount(), 0u);
    EXPECT_EQ(game.app.moveTimer, -1);

    // Diving with an arrow held stops the boat: under water the arrows are
    // hidden and could never be let go over.
    game.HoldArrow(0);
    game.Press();
    EXPECT_EQ(game.scene.TimerCount(), 0u);
    EXPECT_EQ(game.app.moveTimer, -1);
}

TEST(GameScreenTest, ClosingTheScreenStopsItsTimersAndLetsGoOfItsTextures) {
    {
        FakeGame game;
        game.Sail(3);
        game.DiveTo(35);
        ASSERT_TRUE(game.Item(3).IsClickable());
        game.Press();
        ASSERT_EQ(game.scene.TimerCount(), 1u);
        const int mask = game.app.lakeMask;

        game.app.EndGame();
        EXPECT_EQ(game.scene.TimerCount(), 0u);
        EXPECT_FALSE(game.Item(3).IsClickable());
        EXPECT_FALSE(game.scene.IsLive(mask));
        for (int frame = 125; frame <= 135; ++frame)
            EXPECT_FALSE(game.scene.IsLive(game.scene.Find(std::to_wstring(frame)))) << frame;
        EXPECT_TRUE(game.app.spots.empty());
        EXPECT_EQ(game.app.gameScene, nullptr);
    }
    // A held arrow's timer goes too.
    FakeGame moving;
    moving.HoldArrow(90);
    moving.app.EndGame();
    EXPECT_EQ(moving.scene.TimerCount(), 0u);
}

} // namespace
