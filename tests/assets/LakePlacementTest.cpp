// The shipped lake mask, decoded by the program into its texture registry and read by the game's
// own rules: the boat starts on open water and fourteen spots find room for every seed, with the
// number of candidates it takes reported.
#include "app/App.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <vector>

using platform::Rect;

namespace {

// The game's surroundings as far as placement and the shore reach them: the real registry, no
// timers, no shell.
class RegistryScene final : public GameScene {
public:
    explicit RegistryScene(IMResourceManager& media) : media_(media) {}

    int AddTimer(uint32_t) override { return 0; }
    void RemoveTimer(int) override {}
    boost::signals2::connection ConnectTimer(int, const SceneHandler&) override { return {}; }
    int LoadTexture(const std::wstring& name) override { return media_.LoadTexture(name); }
    int AddTextureRef(int index) override { return media_.AddTextureRef(index); }
    void ReleaseTexture(int index) override { media_.ReleaseTexture(index); }
    Rect GetTextureImage(int index) override {
        const TextureSlot* slot = media_.Slot(index);
        return slot ? slot->image : Rect{};
    }
    uint32_t GetTexturePixel(int index, int x, int y) override {
        return media_.GetTexturePixel(index, x, y);
    }
    void AddStatistic(const std::wstring&, const std::wstring&, const std::wstring&) override {}
    void ShowFinalPraise(int, int) override {}

private:
    IMResourceManager& media_;
};

// The map boat: only its picture matters to the shore test.
class BoatPicture final : public ScenePicture {
public:
    BoatPicture(IMResourceManager& media) : media_(media), texture_(media.LoadTexture(L"116")) {}
    ~BoatPicture() override { media_.ReleaseTexture(texture_); }

    void Hide() override {}
    void Show() override {}
    bool IsHidden() const override { return false; }
    Rect GetRect() const override { return {}; }
    void SetRect(const Rect&) override {}
    void SetPosition(int, int) override {}
    platform::Point GetPosition() const override { return {}; }
    int GetTextureId() const override { return texture_; }
    void SetTexture(const std::wstring&) override {}
    void SetTextureIndex(int) override {}
    void SetColor(uint32_t) override {}
    void SetAngle(float) override {}
    void SetDirty(bool) override {}
    boost::signals2::connection ConnectClick(const SceneHandler&) override { return {}; }

private:
    IMResourceManager& media_;
    int texture_;
};

class LakePlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(media.InitDirect3D(nullptr, true, 800, 600, 75), 0);
        app.gameScene = &scene;
        app.ResetGameFields();
        ASSERT_EQ(scene.GetTextureImage(app.lakeMask), (Rect{0, 0, 541, 352}));
        app.spots.assign(kSpotCount, Spot{});
        app.mapBoat = &boat;
    }
    void TearDown() override { app.EndGame(); }

    // Land for the placement: outside the map or an odd alpha.
    bool PlacementLand(int x, int y) {
        if (x < 0 || y < 0 || x >= 541 || y >= 352)
            return true;
        return ((media.GetTexturePixel(app.lakeMask, x, y) >> 24) & 1) != 0;
    }

    platform::ManualClock clock;
    IMResourceManager media;
    RegistryScene scene{media};
    BoatPicture boat{media};
    App app;
};

} // namespace

TEST_F(LakePlacementTest, TheBoatStartsOnWaterAndTheShoreStopsIt) {
    EXPECT_TRUE(app.CanPlaceBoat(App::kBoatStart.x, App::kBoatStart.y));
    // The map's border is land, so the check has something to refuse.
    EXPECT_FALSE(app.CanPlaceBoat(0, 0));
    EXPECT_FALSE(app.CanPlaceBoat(541 - App::kBoatWidth, App::kBoatStart.y));
}

// Each seed is a calendar second, as at the start of a game. Every spot keeps its marker box and
// its four probes on water and stays out of the lens of every other; no placement starts over or
// falls back to the grid.
TEST_F(LakePlacementTest, FourteenSpotsFindRoomForTenThousandSeeds) {
    constexpr int64_t kFirstSeed = 1'700'000'000;
    constexpr int kSeeds = 10'000;
    std::vector<long> candidates;
    candidates.reserve(kSeeds);
    int restarts = 0;
    for (int64_t seed = kFirstSeed; seed < kFirstSeed + kSeeds; ++seed) {
        clock.SetCalendarTime(seed);
        const SpotPlacement placement = app.PlaceSpots();
        ASSERT_EQ(placement.fallbackSpots, 0) << "seed " << seed;
        restarts += placement.restarts;
        candidates.push_back(placement.candidates);

        for (int i = 0; i < kSpotCount; ++i) {
            const int cx = static_cast<int>(app.spots[i].mapX);
            const int cy = static_cast<int>(app.spots[i].mapY);
            const int x = cx - 4, y = cy - 9;
            const bool onWater = !PlacementLand(x, y) && !PlacementLand(x + 9, y) &&
                                 !PlacementLand(x, y + 17) && !PlacementLand(x + 9, y + 17) &&
                                 !PlacementLand(cx + 25, cy) && !PlacementLand(cx - 25, cy) &&
                                 !PlacementLand(cx, cy + 25) && !PlacementLand(cx, cy - 25);
            ASSERT_TRUE(onWater) << "seed " << seed << ", spot " << i;
            for (int k = 0; k < i; ++k) {
                const int dx = std::abs(cx - static_cast<int>(app.spots[k].mapX));
                const int dy = std::abs(cy - static_cast<int>(app.spots[k].mapY));
                ASSERT_TRUE(dx >= 56 || dy >= 56)
                    << "seed " << seed << ", spots " << k << " and " << i;
            }
        }
    }

    std::sort(candidates.begin(), candidates.end());
    const double mean =
        std::accumulate(candidates.begin(), candidates.end(), 0.0) / candidates.size();
    const long median = candidates[candidates.size() / 2];
    const long p99 = candidates[candidates.size() * 99 / 100];
    const long worst = candidates.back();
    std::printf("candidates per placement over %d seeds: mean %.1f, median %ld, 99th percentile "
                "%ld, max %ld; restarts %d\n",
                kSeeds, mean, median, p99, worst, restarts);
    RecordProperty("mean_candidates", std::to_string(mean));
    RecordProperty("median_candidates", std::to_string(median));
    RecordProperty("p99_candidates", std::to_string(p99));
    RecordProperty("max_candidates", std::to_string(worst));
    // A roomy lake places the spots in a few hundred draws; a placement that needs to start over
    // means the lake has grown too tight.
    EXPECT_EQ(restarts, 0);
    EXPECT_LT(mean, 1000);
}
