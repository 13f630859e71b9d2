// Whole games played headless: the boat on the lake, the dive, what clears a
// spot, the last treasure and the end of the game.
#include "app/App.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "FakeGame.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The indexes of the junk and the treasures in the spot table.
constexpr int kTinCan = 1;
constexpr int kHammer = 4;
constexpr int kBottle = 5;
constexpr int kRing = 6;
constexpr int kPinkBoot = 8;
constexpr int kJug = 13;

float Radians(int angle) {
    return static_cast<float>(angle * (kPi / 4) / 45);
}

// Clears a spot the quick way, as if its item had been clicked.
void Clear(FakeGame& game, int index) {
    game.app.OnItemClicked(index);
}

TEST(MoveBoatTest, StepsOnePixelInEachDirectionAndMovesTheSceneUnderTheBoat) {
    struct Direction {
        int angle;
        int dx;
        int dy;
    };
    const Direction directions[] = {{0, 0, -1},  {45, 1, -1},  {90, 1, 0},   {135, 1, 1},
                                    {180, 0, 1}, {225, -1, 1}, {270, -1, 0}, {315, -1, -1}};
    for (const Direction& d : directions) {
        FakeGame game;
        const platform::Point mapBoat = game.MapBoat().GetPosition();
        const Spot before = game.app.spots[3];
        const platform::Rect tile = game.Tile(0).GetRect();

        game.app.MoveBoat(d.angle);

        EXPECT_EQ(game.app.boatX, 280 + d.dx) << d.angle;
        EXPECT_EQ(game.app.boatY, 170 + d.dy) << d.angle;
        EXPECT_EQ(game.MapBoat().GetPosition(),
                  (platform::Point{mapBoat.x + d.dx, mapBoat.y + d.dy}));
        EXPECT_EQ(game.MapBoat().angle, Radians(d.angle));
        EXPECT_EQ(game.LensBoat().angle, Radians(d.angle));
        const Spot& after = game.app.spots[3];
        EXPECT_EQ(after.lensX, before.lensX - 6 * d.dx);
        EXPECT_EQ(after.lensY, before.lensY - 6 * d.dy);
        // The goblet's item (66 × 74, shown at 33 × 37) and its shadow are
        // re-centred on the new lens position, keeping their sizes.
        EXPECT_EQ(game.Item(3).GetRect(),
                  (platform::Rect{static_cast<int>(after.lensX - 16.5),
                                  static_cast<int>(after.lensY - 18.5),
                                  static_cast<int>(after.lensX - 16.5) + 33,
                                  static_cast<int>(after.lensY - 18.5) + 37}));
        EXPECT_EQ(game.Shadow(3).GetRect().Width(), 62);
        EXPECT_EQ(game.Tile(0).GetRect().top, tile.top - 2 * d.dy);
    }
}

TEST(MoveBoatTest, ARefusedStepStillTurnsBothBoats) {
    // A wall of land just right of the boat's block (x 280 … 293).
    std::vector<uint32_t> mask = OpenWaterMask();
    for (int y = 0; y < kMaskHeight; ++y)
        SetMaskAlpha(mask, 294, y, 255);
    FakeGame game(mask);
    const Spot before = game.app.spots[0];

    game.app.MoveBoat(90);
    EXPECT_EQ(game.app.boatX, 280);
    EXPECT_EQ(game.app.spots[0].lensX, before.lensX);
    EXPECT_EQ(game.MapBoat().GetPosition(), (platform::Point{502, 181}));
    EXPECT_EQ(game.MapBoat().angle, Radians(90));
    EXPECT_EQ(game.LensBoat().angle, Radians(90));

    game.app.MoveBoat(270);
    EXPECT_EQ(game.app.boatX, 279);

    // An angle that is not one of the eight turns the boats and goes nowhere.
    game.app.MoveBoat(30);
    EXPECT_EQ(game.app.boatX, 279);
    EXPECT_EQ(game.MapBoat().angle, Radians(30));
}

TEST(DiveTest, TheWheelDivesOnlyAfterAPressAndStopsAtTheBottom) {
    FakeGame game;
    game.Wheel(true);
    EXPECT_EQ(game.app.depth, 0);
    EXPECT_FALSE(game.app.diving);

    game.Press();
    EXPECT_TRUE(game.app.diving);
    EXPECT_TRUE(game.LensBoat().IsHidden());
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(game.Arrow(i).IsHidden());

    game.DiveTo(40);
    const uint32_t water = game.Tile(0).color;
    const platform::Rect bottom = game.LakeBottom().GetRect();
    game.Wheel(true);
    EXPECT_EQ(game.app.depth, 40);
    EXPECT_EQ(game.Tile(0).color, water);
    EXPECT_EQ(game.LakeBottom().GetRect(), bottom);

    game.SurfaceByWheel();
    EXPECT_EQ(game.app.depth, 0);
    EXPECT_FALSE(game.LensBoat().IsHidden());
    for (int i = 0; i < 8; ++i)
        EXPECT_FALSE(game.Arrow(i).IsHidden());
}

TEST(DiveTest, APressBelowTheSurfaceRisesOneStepPerTimerAndTheWheelStillWorks) {
    FakeGame game;
    game.DiveTo(5);
    game.Press();
    ASSERT_EQ(game.scene.TimerCount(), 1u);
    EXPECT_EQ(game.scene.timerIntervals.begin()->second, 30u);

    game.scene.FireTimers();
    game.scene.FireTimers();
    EXPECT_EQ(game.app.depth, 3);
    // Turning the wheel during the ascent changes the same depth.
    game.Wheel(true);
    game.Wheel(true);
    EXPECT_EQ(game.app.depth, 5);

    int ticks = 0;
    while (game.app.depth > 0) {
        game.scene.FireTimers();
        ++ticks;
    }
    EXPECT_EQ(ticks, 5);
    EXPECT_TRUE(game.app.diving);
    game.scene.FireTimers();
    EXPECT_FALSE(game.app.diving);
    EXPECT_FALSE(game.LensBoat().IsHidden());
    EXPECT_EQ(game.scene.TimerCount(), 0u);
}

TEST(DiveTest, AnAscentEndsTheDiveOnceWhateverElseTheChildDoes) {
    // A second press while rising, and a wheel turned back to the surface while
    // rising, would each end the dive a second time and leave the boat hidden.
    FakeGame game;
    game.DiveTo(3);
    game.Press();
    game.Press();
    EXPECT_EQ(game.scene.TimerCount(), 1u);
    game.RunAscent();
    EXPECT_FALSE(game.app.diving);
    EXPECT_FALSE(game.LensBoat().IsHidden());

    game.DiveTo(3);
    game.Press();
    for (int i = 0; i < 3; ++i)
        game.Wheel(false);
    EXPECT_EQ(game.app.depth, 0);
    EXPECT_TRUE(game.app.diving);
    game.RunAscent();
    EXPECT_FALSE(game.app.diving);
    EXPECT_FALSE(game.LensBoat().IsHidden());
    for (int i = 0; i < 4; ++i)
        game.scene.FireTimers();
    EXPECT_FALSE(game.app.diving);
    EXPECT_EQ(game.scene.TimerCount(), 0u);
}

TEST(ClearingTest, SurfacingClearsTheJunkUnderTheBoatOnlyAfterReachingTheBottom) {
    FakeGame game;
    game.Sail(kHammer);
    ASSERT_TRUE(game.UnderBoat(kHammer));

    game.DiveTo(19);
    game.Press();
    game.RunAscent();
    EXPECT_FALSE(game.Item(kHammer).IsHidden());

    game.clock.AdvanceMilliseconds(1234);
    game.DiveTo(20);
    game.Press();
    game.RunAscent();
    EXPECT_TRUE(game.Item(kHammer).IsHidden());
    EXPECT_TRUE(game.Marker(kHammer).IsHidden());
    EXPECT_TRUE(game.Shadow(kHammer).IsHidden());
    EXPECT_EQ(game.app.spots[kHammer].searchTime, 1234);
    // Only the spot under the boat is cleared.
    for (int i = 0; i < kSpotCount; ++i) {
        if (i != kHammer) {
            EXPECT_FALSE(game.Item(i).IsHidden()) << i;
        }
    }

    // Surfacing over it again measures it again from the last clearing.
    game.clock.AdvanceMilliseconds(700);
    game.DiveTo(20);
    game.Press();
    game.RunAscent();
    EXPECT_EQ(game.app.spots[kHammer].searchTime, 700);
    EXPECT_EQ(game.app.searchStart, platform::TimeGetTime());
}

TEST(ClearingTest, ATreasureIsNotClearedBySurfacing) {
    FakeGame game;
    game.Sail(kRing);
    game.DiveTo(25);
    game.Press();
    game.RunAscent();
    EXPECT_FALSE(game.Item(kRing).IsHidden());
}

TEST(ClearingTest, ADiveEndedWithTheWheelKeepsTheBottomForTheNextSurfacing) {
    FakeGame game;
    game.Sail(kHammer);
    game.DiveTo(20);
    game.SurfaceByWheel();
    EXPECT_FALSE(game.Item(kHammer).IsHidden());
    EXPECT_TRUE(game.app.bottomReached);

    // The next automatic surfacing clears the junk it finds, though this dive
    // never went deep.
    game.Sail(kBottle);
    game.DiveTo(1);
    game.Press();
    game.RunAscent();
    EXPECT_TRUE(game.Item(kBottle).IsHidden());
    EXPECT_FALSE(game.Item(kHammer).IsHidden());
    EXPECT_FALSE(game.app.bottomReached);
}

TEST(ClearingTest, ABackwardTurnAtTheSurfaceWhileDivingRunsTheSurfacingAndDivesOn) {
    FakeGame game;
    game.Sail(kHammer);
    game.DiveTo(20);
    game.SurfaceByWheel();
    game.Press();
    ASSERT_TRUE(game.app.diving);
    game.Wheel(false);
    EXPECT_EQ(game.app.depth, 0);
    EXPECT_TRUE(game.app.diving);
    EXPECT_TRUE(game.Item(kHammer).IsHidden());
}

TEST(ClearingTest, ItemsCanBeClickedOnlyBelowDepth30AndOnlyFullyInsideTheLens) {
    FakeGame game;
    game.Sail(kRing);
    game.DiveTo(30);
    EXPECT_FALSE(game.Item(kRing).IsClickable());
    game.Wheel(true);
    EXPECT_TRUE(game.Item(kRing).IsClickable());
    game.Wheel(false);
    EXPECT_FALSE(game.Item(kRing).IsClickable());
    game.SurfaceByWheel();

    // Step the boat away until the ring at depth 31 would cross the lens's
    // edge; one step back it lies inside again.
    const int away = game.app.boatX >= 60 ? 270 : 90;
    const int back = away == 270 ? 90 : 270;
    for (int guard = 0;
         guard < 100 && App::IsInLens(App::ItemRect(game.app.spots[kRing], 31, 40, 28)); ++guard)
        game.app.MoveBoat(away);
    game.DiveTo(31);
    const platform::Rect crossing = game.Item(kRing).GetRect();
    EXPECT_FALSE(App::IsInLens(crossing));
    EXPECT_FALSE(platform::IntersectRect(crossing, App::kLensRect).IsEmpty());
    EXPECT_FALSE(game.Item(kRing).IsClickable());
    game.SurfaceByWheel();
    game.app.MoveBoat(back);
    game.DiveTo(31);
    EXPECT_TRUE(App::IsInLens(game.Item(kRing).GetRect()));
    EXPECT_TRUE(game.Item(kRing).IsClickable());

    game.clock.AdvanceMilliseconds(4321);
    game.Item(kRing).Click();
    EXPECT_TRUE(game.Item(kRing).IsHidden());
    EXPECT_FALSE(game.BowlIcon(kRing).IsHidden());
    EXPECT_EQ(game.app.spots[kRing].searchTime, 4321);
}

TEST(LastTreasureTest, MovesToTheLowestOtherUnclearedSpotUntilOnlyItIsLeft) {
    FakeGame game;
    for (int i = 0; i < kSpotCount; ++i) {
        if (i != kJug && i != kTinCan && i != kHammer)
            Clear(game, i);
    }
    const int jugPicture = game.Item(kJug).texture;
    const int tinCanPicture = game.Item(kTinCan).texture;

    game.Sail(kJug);
    game.Press();

    const Spot& jug = game.app.spots[kJug];
    const Spot& tinCan = game.app.spots[kTinCan];
    EXPECT_EQ(jug.isTreasure, 0);
    EXPECT_EQ(jug.bowlIcon, nullptr);
    EXPECT_EQ(tinCan.isTreasure, 1);
    EXPECT_EQ(tinCan.bowlIcon, &game.BowlIcon(kJug));
    // The two items exchange pictures, each at its full size on its own spot,
    // and both pictures are still alive.
    EXPECT_EQ(game.Item(kJug).texture, tinCanPicture);
    EXPECT_EQ(game.Item(kTinCan).texture, jugPicture);
    EXPECT_EQ(game.scene.RefCount(jugPicture), 1);
    EXPECT_EQ(game.scene.RefCount(tinCanPicture), 1);
    EXPECT_EQ(game.Item(kJug).GetRect(),
              (platform::Rect{jug.lensX - 16, jug.lensY - 18, jug.lensX + 16, jug.lensY + 18}));
    EXPECT_EQ(game.Item(kTinCan).GetRect(), (platform::Rect{tinCan.lensX - 21, tinCan.lensY - 40,
                                                            tinCan.lensX + 21, tinCan.lensY + 40}));

    // From depth 27 on each spot shows its own object again; the jug is now
    // junk, found without a bowl.
    game.DiveTo(27);
    EXPECT_EQ(game.Item(kJug).TextureName(), L"170");
    EXPECT_EQ(game.Item(kTinCan).TextureName(), L"149");
    game.DiveTo(35);
    game.Item(kJug).Click();
    EXPECT_TRUE(game.Item(kJug).IsHidden());
    EXPECT_TRUE(game.BowlIcon(kJug).IsHidden());
    game.SurfaceByWheel();

    // With the tin can and the hammer left, the tin can is the last treasure:
    // over it the press moves it on to the hammer.
    game.Sail(kTinCan);
    game.Press();
    EXPECT_EQ(game.app.spots[kHammer].isTreasure, 1);
    EXPECT_EQ(game.app.spots[kTinCan].isTreasure, 0);
    game.Press();
    ASSERT_FALSE(game.app.diving);

    // With the hammer alone left, nothing moves and its click ends the game.
    game.Collect(kTinCan);
    EXPECT_TRUE(game.scene.praises.empty());
    game.Sail(kHammer);
    game.Press();
    EXPECT_EQ(game.app.spots[kHammer].isTreasure, 1);
    game.DiveTo(35);
    game.Item(kHammer).Click();
    EXPECT_FALSE(game.BowlIcon(kJug).IsHidden());
    EXPECT_EQ(game.scene.praises.size(), 1u);
}

TEST(GameOverTest, AWholeGameReportsEverySearchTimeInSpotOrderThenPraises) {
    FakeGame game;
    // Found in an order of the child's choosing. The last treasure (the ring)
    // moves on whenever the child dives over it while other spots are left:
    // to the hammer, then to the pink boot, the last spot found.
    const int order[] = {13, 5, 0, 9, 2, 7, 11, 1, 3, 12, 6, 10, 4, 8};
    std::vector<int> expected(kSpotCount);
    for (int step = 0; step < kSpotCount; ++step) {
        const int index = order[step];
        expected[index] = 1000 + 37 * step;
        game.clock.AdvanceMilliseconds(expected[index]);
        game.Collect(index);
        if (step < kSpotCount - 1) {
            EXPECT_TRUE(game.scene.rows.empty());
        }
    }
    EXPECT_EQ(game.app.spots[kRing].isTreasure, 0);
    EXPECT_EQ(game.app.spots[kHammer].isTreasure, 0);
    EXPECT_EQ(game.app.spots[kPinkBoot].isTreasure, 1);
    for (int i = 0; i < kSpotCount; ++i) {
        if (kSpotTable[i].treasure) {
            EXPECT_FALSE(game.BowlIcon(i).IsHidden()) << "bowl of spot " << i;
        }
    }

    ASSERT_EQ(game.scene.rows.size(), 14u);
    for (int i = 0; i < kSpotCount; ++i) {
        EXPECT_EQ(game.scene.rows[i][0],
                  L"Время поиска " + std::to_wstring(i + 1) + L" предмета. мс.");
        EXPECT_EQ(game.scene.rows[i][1], std::to_wstring(expected[i]));
        EXPECT_EQ(game.scene.rows[i][2], L"Number");
    }
    ASSERT_EQ(game.scene.praises.size(), 1u);
    EXPECT_EQ(game.scene.praises[0], (platform::Point{137, 100}));
    // The ripple's frames are let go; the ripple keeps only the frame it shows.
    EXPECT_EQ(game.scene.RefCount(game.scene.Find(L"124")), 1);
    for (int frame = 125; frame <= 135; ++frame)
        EXPECT_FALSE(game.scene.IsLive(game.scene.Find(std::to_wstring(frame)))) << frame;
}

TEST(ItemRectTest, MatchesTheRectanglesWorkedOutByHand) {
    struct RectCase {
        int lensX;
        int lensY;
        int depth;
        int width;
        int height;
        platform::Rect expected;
    };
    // z = 0.5 + d / 80; the bottom is (trunc(202 − 350z), trunc(396 − 350z),
    // trunc(202 + 350z), trunc(396 + 350z)) with width W and height H;
    // offX = −(W − 350)(lensX − 202) / W and offY = −(H − 350)(lensY − 396) / H
    // as floats; left = trunc(lensX − z·w/2 − offX) and so on.
    const RectCase cases[] = {
        // d 0: z 0.5, W = H = 350, no offset; the bracelet (48 × 36) at half size.
        // 202 ∓ 12, 396 ∓ 9.
        {202, 396, 0, 48, 36, {190, 387, 214, 405}},
        // Off-centre the same at the surface: 300 ∓ 12, 300 ∓ 9.
        {300, 300, 0, 48, 36, {288, 291, 312, 309}},
        // A shadow (125 × 109) far left, where truncation toward zero matters:
        // −100 ∓ 31.25 → trunc(−131.25) = −131, trunc(−68.75) = −68; 396 ∓ 27.25.
        {-100, 396, 0, 125, 109, {-131, 368, -68, 423}},
        // d 1: z 0.5125, bottom (22, 216, 381, 575), W = H = 359. Centred: z·w/2
        // 12.3, z·h/2 9.225 → trunc(189.7) 189, trunc(386.775) 386, trunc(214.3)
        // 214, trunc(405.225) 405.
        {202, 396, 1, 48, 36, {189, 386, 214, 405}},
        // Off-centre: offX = −9·98/359 = −2.4568245, offY = −9·(−96)/359 =
        // 2.4066854. left trunc(300 − 12.3 + 2.457) = 290, right trunc(314.757) =
        // 314, top trunc(300 − 9.225 − 2.407) = 288, bottom trunc(306.368) = 306.
        {300, 300, 1, 48, 36, {290, 288, 314, 306}},
        // d 20: z 0.75, 350z = 262.5, bottom (trunc(−60.5) = −60, 133, 464, 658):
        // W 524, H 525. Centred: 202 ∓ 18, trunc(396 ∓ 13.5) = 382, 409.
        {202, 396, 20, 48, 36, {184, 382, 220, 409}},
        // Off-centre: offX = −174·98/524 = −32.541985, offY = −175·(−96)/525 = 32.
        // left trunc(300 − 18 + 32.542) = 314, right trunc(350.542) = 350,
        // top trunc(300 − 13.5 − 32) = trunc(254.5) = 254, bottom trunc(281.5) = 281.
        {300, 300, 20, 48, 36, {314, 254, 350, 281}},
        // d 40: z 1, bottom (−148, 46, 552, 746), W = H = 700. Centred: 202 ∓ 24,
        // 396 ∓ 18.
        {202, 396, 40, 48, 36, {178, 378, 226, 414}},
        // Off-centre: offX = −350·98/700 = −49, offY = −350·(−96)/700 = 48.
        // 300 − 24 + 49 = 325, 373; 300 − 18 − 48 = 234, 270.
        {300, 300, 40, 48, 36, {325, 234, 373, 270}},
        // The float offset decides: d 25, z 0.8125, H = 680 − 111 = 569,
        // offY = −219·(−2747)/569 = 1057.2811951 in double but 1057.28125 as a
        // float. bottom = trunc(−2351 + 44.28125 − 1057.28125) = −3364 exactly
        // (the double would give trunc(−3363.99994) = −3363); top =
        // trunc(−3452.5625) = −3452. offX = 0: 202 ∓ 50.78125 → 151, 252.
        {202, -2351, 25, 125, 109, {151, -3452, 252, -3364}},
    };
    for (const RectCase& c : cases) {
        Spot spot;
        spot.lensX = c.lensX;
        spot.lensY = c.lensY;
        EXPECT_EQ(App::ItemRect(spot, c.depth, c.width, c.height), c.expected)
            << "lens (" << c.lensX << ", " << c.lensY << ") depth " << c.depth;
    }
}

} // namespace
