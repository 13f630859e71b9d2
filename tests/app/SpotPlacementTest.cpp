// Where the spots land on the lake and where the boat may go: the two readings
// of the lake mask, the spacing of the spots and the bound on foreign masks.
#include "app/App.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "FakeGame.h"
#include "platform/DebugOutput.h"
#include "platform/Random.h"

namespace {

// A candidate as the placement draws it: the top-left corner of the marker box.
struct Candidate {
    int x;
    int y;
    int cx() const { return x + 4; }
    int cy() const { return y + 9; }
};

// The first draws the placement makes after seeding with this calendar time.
std::vector<Candidate> Draws(uint32_t seed, int count) {
    platform::SeedRandom(seed);
    std::vector<Candidate> draws;
    for (int i = 0; i < count; ++i) {
        const int x = platform::Random() % kMaskWidth;
        const int y = platform::Random() % kMaskHeight;
        draws.push_back({x, y});
    }
    return draws;
}

// Every probe of the candidate lies inside the picture.
bool AllProbesInside(const Candidate& c) {
    return c.x >= 21 && c.x <= 511 && c.y >= 16 && c.y <= 317;
}

// The first calendar time whose first two draws satisfy the condition.
uint32_t FindSeed(const std::function<bool(const Candidate&, const Candidate&)>& condition) {
    for (uint32_t seed = 1; seed < 10'000'000; ++seed) {
        const std::vector<Candidate> draws = Draws(seed, 2);
        if (AllProbesInside(draws[0]) && AllProbesInside(draws[1]) && condition(draws[0], draws[1]))
            return seed;
    }
    ADD_FAILURE() << "no seed found";
    return 0;
}

platform::Point SpotCentre(const FakeGame& game, int i) {
    return {static_cast<int>(game.app.spots[i].mapX), static_cast<int>(game.app.spots[i].mapY)};
}

bool PlacementLand(const std::vector<uint32_t>& mask, int x, int y) {
    if (x < 0 || y < 0 || x >= kMaskWidth || y >= kMaskHeight)
        return true;
    return ((mask[static_cast<size_t>(y) * kMaskWidth + x] >> 24) & 1) != 0;
}

void ExpectSpacedApart(const FakeGame& game) {
    for (int i = 0; i < kSpotCount; ++i) {
        for (int k = 0; k < i; ++k) {
            const platform::Point a = SpotCentre(game, i);
            const platform::Point b = SpotCentre(game, k);
            EXPECT_TRUE(std::abs(a.x - b.x) >= 56 || std::abs(a.y - b.y) >= 56)
                << "spots " << k << " and " << i;
        }
    }
}

// A probe of the first candidate, relative to the marker box's top-left corner:
// the four corners of the 9 × 17 box, then the probes at 25 round the centre.
struct ProbeCase {
    const char* probe;
    int dx;
    int dy;
};

const ProbeCase kProbes[] = {
    {"top-left corner", 0, 0},     {"bottom-right corner", 9, 17}, {"top-right corner", 9, 0},
    {"bottom-left corner", 0, 17}, {"right probe", 29, 9},         {"lower probe", 4, 34},
    {"left probe", -21, 9},        {"upper probe", 4, -16},
};

TEST(SpotPlacementTest, EveryProbeRejectsOnOddAlphaAndAcceptsOnEvenAlpha) {
    // The second draw lies far from the first, so it does not see the first's
    // probes and is not too close to it.
    const uint32_t seed = FindSeed(
        [](const Candidate& a, const Candidate& b) { return std::abs(a.cx() - b.cx()) >= 60; });
    const std::vector<Candidate> draws = Draws(seed, 2);
    const platform::Point first{draws[0].cx(), draws[0].cy()};
    const platform::Point second{draws[1].cx(), draws[1].cy()};

    {
        FakeGame open(OpenWaterMask(), seed);
        EXPECT_EQ(SpotCentre(open, 0), first);
    }
    for (const ProbeCase& probe : kProbes) {
        // Opaque land and the odd steps of a soft shore are land for the
        // placement; the even steps are water.
        for (uint32_t alpha : {255u, 1u, 2u, 254u}) {
            std::vector<uint32_t> mask = OpenWaterMask();
            SetMaskAlpha(mask, draws[0].x + probe.dx, draws[0].y + probe.dy, alpha);
            FakeGame game(mask, seed);
            const bool land = (alpha & 1) != 0;
            EXPECT_EQ(SpotCentre(game, 0), land ? second : first)
                << probe.probe << " with alpha " << alpha;
        }
    }
}

TEST(SpotPlacementTest, ACandidateWithin55PixelsBothWaysIsRejectedAnd56IsEnough) {
    struct SpacingCase {
        int dx; // exact distance on one axis, or −1 for "at most 55"
        int dy;
        bool accepted;
    };
    const SpacingCase cases[] = {{55, -1, false}, {56, -1, true}, {-1, 55, false}, {-1, 56, true}};
    for (const SpacingCase& spacing : cases) {
        auto matches = [&](int wanted, int actual) {
            return wanted < 0 ? actual <= 55 : actual == wanted;
        };
        const uint32_t seed = FindSeed([&](const Candidate& a, const Candidate& b) {
            return matches(spacing.dx, std::abs(a.cx() - b.cx())) &&
                   matches(spacing.dy, std::abs(a.cy() - b.cy()));
        });
        const std::vector<Candidate> draws = Draws(seed, 2);
        FakeGame game(OpenWaterMask(), seed);
        ASSERT_EQ(SpotCentre(game, 0), (platform::Point{draws[0].cx(), draws[0].cy()}));
        const bool secondAtDraw =
            SpotCentre(game, 1) == platform::Point{draws[1].cx(), draws[1].cy()};
        EXPECT_EQ(secondAtDraw, spacing.accepted) << "dx " << spacing.dx << ", dy " << spacing.dy;
        ExpectSpacedApart(game);
    }
}

TEST(SpotPlacementTest, ALakeWithSoftShoresAndIslandsHoldsAllSpotsForEverySeed) {
    const std::vector<uint32_t> mask = IslandLakeMask();
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        FakeGame game(mask, 1'700'000'000 + seed * 7919);
        ASSERT_EQ(game.placement.fallbackSpots, 0) << "seed " << seed;
        ExpectSpacedApart(game);
        for (int i = 0; i < kSpotCount; ++i) {
            const platform::Point c = SpotCentre(game, i);
            const int x = c.x - 4;
            const int y = c.y - 9;
            const platform::Point probes[] = {{x, y},          {x + 9, y + 17}, {x + 9, y},
                                              {x, y + 17},     {c.x + 25, c.y}, {c.x, c.y + 25},
                                              {c.x - 25, c.y}, {c.x, c.y - 25}};
            for (const platform::Point& p : probes)
                ASSERT_FALSE(PlacementLand(mask, p.x, p.y)) << "seed " << seed << ", spot " << i;
        }
    }
}

TEST(SpotPlacementTest, ASmallLakeWhoseFirstSpotsLeaveNoRoomStartsOver) {
    // On a 330 × 280 pond the fourteen spots fit, but about one placement in
    // ten places its first spots so that the last has nowhere to go.
    std::vector<uint32_t> mask(static_cast<size_t>(kMaskWidth) * kMaskHeight, kLand);
    for (int y = 10; y < 290; ++y)
        for (int x = 10; x < 340; ++x)
            SetMaskAlpha(mask, x, y, 0);
    FakeGame game(mask);
    int restarts = 0;
    for (int64_t seed = 1'700'000'000; seed < 1'700'000'020; ++seed) {
        game.clock.SetCalendarTime(seed);
        const SpotPlacement placement = game.app.PlaceSpots();
        ASSERT_EQ(placement.fallbackSpots, 0) << "calendar time " << seed;
        ExpectSpacedApart(game);
        for (int i = 0; i < kSpotCount; ++i) {
            const platform::Point c = SpotCentre(game, i);
            EXPECT_FALSE(PlacementLand(mask, c.x - 25, c.y) || PlacementLand(mask, c.x + 25, c.y) ||
                         PlacementLand(mask, c.x, c.y - 25) || PlacementLand(mask, c.x, c.y + 25));
        }
        restarts += placement.restarts;
    }
    EXPECT_GT(restarts, 0);
}

TEST(SpotPlacementTest, AMaskWithoutWaterEndsOnTheGridWithTheSpotsStillApart) {
    platform::DebugOutputCapture debug;
    std::vector<uint32_t> land(static_cast<size_t>(kMaskWidth) * kMaskHeight, kLand);
    FakeGame game(land);
    EXPECT_EQ(game.placement.candidates, App::kPlacementCandidateLimit);
    EXPECT_EQ(game.placement.fallbackSpots, kSpotCount);
    ExpectSpacedApart(game);
    EXPECT_NE(debug.Text().find(L"no room for 14 of the spots"), std::wstring::npos);

    // A missing mask reads as land everywhere too.
    FakeScene scene;
    App app;
    app.gameScene = &scene;
    app.lakeMask = FakeScene::kNoTexture;
    app.spots.resize(kSpotCount);
    const SpotPlacement placement = app.PlaceSpots(1000);
    EXPECT_EQ(placement.fallbackSpots, kSpotCount);
}

TEST(SpotPlacementTest, TheGridPrefersPointsThatMeetTheShoreRules) {
    // Water on the right half only; with no candidates to draw, every spot
    // goes on the grid, and the grid has room on the water for all of them.
    std::vector<uint32_t> mask(static_cast<size_t>(kMaskWidth) * kMaskHeight, kLand);
    for (int y = 0; y < kMaskHeight; ++y)
        for (int x = 270; x < kMaskWidth; ++x)
            SetMaskAlpha(mask, x, y, 0);
    FakeGame game(mask);
    platform::DebugOutputCapture debug;
    const SpotPlacement placement = game.app.PlaceSpots(0);
    EXPECT_EQ(placement.fallbackSpots, kSpotCount);
    ExpectSpacedApart(game);
    for (int i = 0; i < kSpotCount; ++i) {
        const platform::Point c = SpotCentre(game, i);
        for (const platform::Point& p : {platform::Point{c.x - 4, c.y - 9},
                                         {c.x + 5, c.y + 8},
                                         {c.x + 25, c.y},
                                         {c.x, c.y + 25},
                                         {c.x - 25, c.y},
                                         {c.x, c.y - 25}})
            EXPECT_FALSE(PlacementLand(mask, p.x, p.y)) << "spot " << i;
    }
}

TEST(CanPlaceBoatTest, OnlyTheSpritesOpaquePixelsMeetTheShoreAndAnyAlphaIsLand) {
    struct BoatCase {
        const char* what;
        platform::Point boat;
        bool hasLand;
        platform::Point land; // relative to the boat's corner
        uint32_t alpha;
        bool placeable;
    };
    const BoatCase cases[] = {
        {"open water", {100, 100}, false, {}, 0, true},
        {"land under the hull", {100, 100}, true, {7, 17}, 255, false},
        {"odd soft edge under the hull", {100, 100}, true, {7, 17}, 1, false},
        {"even soft edge under the hull", {100, 100}, true, {7, 34}, 2, false},
        {"land under a transparent corner", {100, 100}, true, {0, 0}, 255, true},
        {"hull beyond the right edge", {530, 100}, false, {}, 0, false},
        {"hull beyond the bottom edge", {100, 320}, false, {}, 0, false},
        {"hull beyond the left edge", {-1, 100}, false, {}, 0, false},
    };
    for (const BoatCase& c : cases) {
        std::vector<uint32_t> mask = OpenWaterMask();
        if (c.hasLand)
            SetMaskAlpha(mask, c.boat.x + c.land.x, c.boat.y + c.land.y, c.alpha);
        FakeGame game(mask);
        EXPECT_EQ(game.app.CanPlaceBoat(c.boat.x, c.boat.y), c.placeable) << c.what;
    }
}

} // namespace
