// How long the exercise takes to place its spots and to test the shore for one
// boat step, on a synthetic lake shaped like the shipped one and, when it is
// in assets/, on the shipped lake mask itself.
#include <benchmark/benchmark.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "app/App.h"
#include "platform/Clock.h"

namespace {

constexpr int kMaskWidth = 541;
constexpr int kMaskHeight = 352;
constexpr int kMaskIndex = 0;
constexpr int kBoatIndex = 1;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // ARGB
};

// The two pictures the rules read: the mask and the map boat.
class MaskScene : public GameScene {
public:
    MaskScene(const Picture& mask, const Picture& boat) : pictures_{&mask, &boat} {}

    int AddTimer(uint32_t) override { return 0; }
    void RemoveTimer(int) override {}
    boost::signals2::connection ConnectTimer(int, const SceneHandler&) override { return {}; }
    int LoadTexture(const std::wstring&) override { return 2; }
    int AddTextureRef(int index) override { return index; }
    void ReleaseTexture(int) override {}
    platform::Rect GetTextureImage(int index) override {
        if (index < 0 || index > 1)
            return {};
        return {0, 0, pictures_[index]->width, pictures_[index]->height};
    }
    uint32_t GetTexturePixel(int index, int x, int y) override {
        const Picture& picture = *pictures_[index];
        return picture.pixels[static_cast<size_t>(y) * picture.width + x];
    }
    void AddStatistic(const std::wstring&, const std::wstring&, const std::wstring&) override {}
    void ShowFinalPraise(int, int) override {}

private:
    const Picture* pictures_[2];
};

// The map boat, which the shore test reads by its texture.
class BoatPicture : public ScenePicture {
public:
    void Hide() override {}
    void Show() override {}
    bool IsHidden() const override { return false; }
    platform::Rect GetRect() const override { return {}; }
    void SetRect(const platform::Rect&) override {}
    void SetPosition(int, int) override {}
    platform::Point GetPosition() const override { return {}; }
    int GetTextureId() const override { return kBoatIndex; }
    void SetTexture(const std::wstring&) override {}
    void SetTextureIndex(int) override {}
    void SetColor(uint32_t) override {}
    void SetAngle(float) override {}
    void SetDirty(bool) override {}
    boost::signals2::connection ConnectClick(const SceneHandler&) override { return {}; }
};

// A lake over most of the map with a wavy shore, three islands and an
// anti-aliased coast two pixels wide, as the shipped mask is drawn.
Picture SyntheticLake() {
    Picture mask{kMaskWidth, kMaskHeight,
                 std::vector<uint32_t>(static_cast<size_t>(kMaskWidth) * kMaskHeight)};
    struct Island {
        double x, y, radius;
    };
    const Island islands[] = {{150, 120, 30}, {400, 235, 38}, {340, 80, 24}, {230, 260, 22}};
    for (int y = 0; y < kMaskHeight; ++y) {
        for (int x = 0; x < kMaskWidth; ++x) {
            const double dx = x - 270.0;
            const double dy = y - 176.0;
            const double theta = std::atan2(dy / 150.0, dx / 240.0);
            const double shore = 1 + 0.14 * std::sin(3 * theta + 0.5) +
                                 0.06 * std::sin(5 * theta + 1.3) +
                                 0.04 * std::sin(8 * theta + 2.1);
            const double reach = std::hypot(dx / 240.0, dy / 150.0);
            // Pixels onto the land, roughly: positive on land.
            double land = (reach - shore) * 160.0;
            for (const Island& island : islands)
                land = std::max(land, island.radius - std::hypot(x - island.x, y - island.y));
            const double alpha = std::clamp((land + 1.0) * 127.5, 0.0, 255.0);
            mask.pixels[static_cast<size_t>(y) * kMaskWidth + x] = static_cast<uint32_t>(alpha)
                                                                   << 24;
        }
    }
    return mask;
}

Picture BoatSprite() {
    Picture boat{App::kBoatWidth, App::kBoatHeight,
                 std::vector<uint32_t>(static_cast<size_t>(App::kBoatWidth) * App::kBoatHeight)};
    for (int j = 0; j < App::kBoatHeight; ++j) {
        for (int i = 0; i < App::kBoatWidth; ++i) {
            const double ex = (i - 6.5) / 7.0;
            const double ey = (j - 17.0) / 17.5;
            if (ex * ex + ey * ey <= 1.0)
                boat.pixels[static_cast<size_t>(j) * App::kBoatWidth + i] = 0xFF8B5A2B;
        }
    }
    return boat;
}

// The shipped mask decoded with libpng, or nothing when it is not there.
std::unique_ptr<Picture> ShippedMask() {
    const std::string path = std::string(ZEL_SOURCE_DIR) + "/assets/exercise/118.png";
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return nullptr;
    image.format = PNG_FORMAT_BGRA; // little-endian ARGB words
    auto picture = std::make_unique<Picture>();
    picture->width = static_cast<int>(image.width);
    picture->height = static_cast<int>(image.height);
    picture->pixels.resize(static_cast<size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, picture->pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), image.message);
        png_image_free(&image);
        return nullptr;
    }
    if (picture->width != kMaskWidth || picture->height != kMaskHeight) {
        std::fprintf(stderr, "%s is %d × %d, not 541 × 352\n", path.c_str(), picture->width,
                     picture->height);
        return nullptr;
    }
    return picture;
}

// The exercise with only what placement and the shore test read.
struct Exercise {
    Exercise(const Picture& mask, const Picture& boat) : scene(mask, boat) {
        app.gameScene = &scene;
        app.lakeMask = kMaskIndex;
        app.mapBoat = &boatPicture;
        app.spots.resize(kSpotCount);
    }
    MaskScene scene;
    BoatPicture boatPicture;
    App app;
};

const Picture& Boat() {
    static const Picture boat = BoatSprite();
    return boat;
}

// One placement per iteration, each with the next calendar second as its seed.
void PlaceSpots(benchmark::State& state, const Picture* mask) {
    Exercise exercise(*mask, Boat());
    platform::ManualClock clock;
    uint32_t seed = 1'700'000'000;
    long candidates = 0;
    int restarts = 0;
    int fallbacks = 0;
    for (auto _ : state) {
        clock.SetCalendarTime(seed++);
        const SpotPlacement placement = exercise.app.PlaceSpots();
        candidates += placement.candidates;
        restarts += placement.restarts;
        fallbacks += placement.fallbackSpots > 0;
    }
    state.counters["candidates"] =
        benchmark::Counter(static_cast<double>(candidates), benchmark::Counter::kAvgIterations);
    // Placements that had to start over, and that ended on the grid.
    state.counters["restarts"] = restarts;
    state.counters["fallbacks"] = fallbacks;
}

// The spread of the candidates drawn over many seeds, and the time per
// placement, in one run.
void PlaceSpotsOverSeeds(benchmark::State& state, const Picture* mask) {
    const int seeds = static_cast<int>(state.range(0));
    Exercise exercise(*mask, Boat());
    platform::ManualClock clock;
    std::vector<long> counts;
    std::vector<double> microseconds;
    int restarts = 0;
    int fallbacks = 0;
    for (auto _ : state) {
        counts.clear();
        microseconds.clear();
        restarts = fallbacks = 0;
        for (int s = 0; s < seeds; ++s) {
            clock.SetCalendarTime(1'700'000'000 + static_cast<int64_t>(s) * 7919);
            const auto start = std::chrono::steady_clock::now();
            const SpotPlacement placement = exercise.app.PlaceSpots();
            microseconds.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                    .count());
            counts.push_back(placement.candidates);
            restarts += placement.restarts;
            fallbacks += placement.fallbackSpots > 0;
        }
    }
    std::sort(counts.begin(), counts.end());
    std::sort(microseconds.begin(), microseconds.end());
    const double mean = static_cast<double>(std::accumulate(counts.begin(), counts.end(), 0L)) /
                        static_cast<double>(seeds);
    state.counters["mean"] = mean;
    state.counters["median"] = static_cast<double>(counts[counts.size() / 2]);
    state.counters["p99"] = static_cast<double>(counts[counts.size() * 99 / 100]);
    state.counters["max"] = static_cast<double>(counts.back());
    state.counters["restarts"] = restarts;
    state.counters["fallbacks"] = fallbacks;
    state.counters["us_median"] = microseconds[microseconds.size() / 2];
    state.counters["us_p99"] = microseconds[microseconds.size() * 99 / 100];
    state.counters["us_max"] = microseconds.back();
    state.counters["per_placement"] = benchmark::Counter(
        static_cast<double>(seeds), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// One shore test per iteration over the boat's whole reach, as the arrows move
// it: most steps are on water (all of the hull's pixels read), some meet the
// shore early.
void CanPlaceBoat(benchmark::State& state, const Picture* mask) {
    Exercise exercise(*mask, Boat());
    std::vector<platform::Point> positions;
    for (int y = 0; y + App::kBoatHeight <= kMaskHeight; y += 3)
        for (int x = 0; x + App::kBoatWidth <= kMaskWidth; x += 3)
            positions.push_back({x, y});
    size_t next = 0;
    long placeable = 0;
    for (auto _ : state) {
        const platform::Point p = positions[next];
        next = next + 1 == positions.size() ? 0 : next + 1;
        placeable += exercise.app.CanPlaceBoat(p.x, p.y);
    }
    state.counters["on_water"] = benchmark::Counter(static_cast<double>(placeable) /
                                                    static_cast<double>(state.iterations()));
}

// The worst case: open water, every opaque hull pixel read.
void CanPlaceBoatOnOpenWater(benchmark::State& state, const Picture* mask) {
    Exercise exercise(*mask, Boat());
    for (auto _ : state)
        benchmark::DoNotOptimize(exercise.app.CanPlaceBoat(App::kBoatStart.x, App::kBoatStart.y));
}

} // namespace

int main(int argc, char** argv) {
    static const Picture synthetic = SyntheticLake();
    static const std::unique_ptr<Picture> shipped = ShippedMask();
    struct Lake {
        const char* name;
        const Picture* mask;
    };
    std::vector<Lake> lakes{{"synthetic", &synthetic}};
    if (shipped)
        lakes.push_back({"shipped", shipped.get()});
    else
        std::fprintf(
            stderr, "assets/exercise/118.png is not there: only the synthetic lake is measured.\n");

    for (const Lake& lake : lakes) {
        Exercise exercise(*lake.mask, Boat());
        if (!exercise.app.CanPlaceBoat(App::kBoatStart.x, App::kBoatStart.y))
            std::fprintf(stderr, "%s lake: the boat's start is not on open water.\n", lake.name);
        const std::string name = lake.name;
        benchmark::RegisterBenchmark(("PlaceSpots/" + name).c_str(), PlaceSpots, lake.mask);
        benchmark::RegisterBenchmark(("PlaceSpotsOverSeeds/" + name).c_str(), PlaceSpotsOverSeeds,
                                     lake.mask)
            ->Arg(10'000)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("CanPlaceBoat/" + name).c_str(), CanPlaceBoat, lake.mask);
        benchmark::RegisterBenchmark(("CanPlaceBoatOnOpenWater/" + name).c_str(),
                                     CanPlaceBoatOnOpenWater, lake.mask);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
