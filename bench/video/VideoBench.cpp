// Playing the 800 × 600 instruction video: libtheora's decode alone (the limit), the conversion to
// BGRX (vectorised and pixel by pixel), decode + conversion + texture write per frame, and the
// view's SetFrame, which does all of it and switches textures.
//
// The video is resource 190 when the build embeds it. Otherwise a stand-in of the same format is
// encoded at start-up: a game screen like the one the instruction shows (a rippling lake, a moving
// boat, a map, eight arrow buttons and a text panel), 125 frames at 25 frames per second.
#include "gui/IMTheoraView.h"
#include "media/IMResourceManager.h"
#include "media/TheoraStream.h"
#include "media/VideoFrameWriter.h"
#include "media/YuvConversion.h"
#include "platform/resources/AssetResources.h"
#include "tools/video/TheoraWriter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

std::vector<uint8_t> StandInVideo() {
    videotools::VideoFormat format;
    format.pictureWidth = kWidth;
    format.pictureHeight = kHeight;
    format.framesPerSecond = 25;
    format.quality = 40;
    format.keyframeInterval = 64;
    videotools::TheoraWriter writer(format);
    constexpr int kFrames = 125;
    for (int t = 0; t < kFrames; ++t) {
        videotools::YuvFrame frame = writer.NewFrame();
        for (int row = 0; row < kHeight; ++row)
            for (int x = 0; x < kWidth; ++x) {
                int red, green, blue;
                if (row < 40 || row >= 560 || x < 40 || x >= 760) {
                    // The screen's wooden frame, with a grain.
                    const int grain = static_cast<int>(12 * std::sin(x * 0.9 + row * 0.13));
                    red = 150 + grain, green = 100 + grain, blue = 50;
                } else {
                    // The lake, rippling slowly.
                    const double ripple =
                        std::sin(x * 0.045 + t * 0.12) * std::sin(row * 0.06 - t * 0.09);
                    red = 30, green = 110 + static_cast<int>(25 * ripple),
                    blue = 190 + static_cast<int>(30 * ripple);
                }
                // The boat sails across.
                const int boatX = 100 + 4 * t,
                          boatY = 300 + static_cast<int>(40 * std::sin(t * 0.05));
                if (x >= boatX && x < boatX + 90 && row >= boatY && row < boatY + 40 &&
                    row - boatY > (x - boatX) / 6)
                    red = 200, green = 60, blue = 40;
                // The small map, and the arrow buttons around it.
                if (x >= 600 && x < 740 && row >= 60 && row < 180)
                    red = 220, green = 210, blue = 160;
                for (int arrow = 0; arrow < 8; ++arrow) {
                    const int ax = 610 + (arrow % 4) * 32, ay = 400 + (arrow / 4) * 40;
                    if (x >= ax && x < ax + 24 && row >= ay && row < ay + 24)
                        red = 250, green = arrow == (t / 10) % 8 ? 250 : 180, blue = 60;
                }
                // A panel of text-like strokes.
                if (x >= 60 && x < 560 && row >= 480 && row < 540 && ((x / 3 + row / 7) % 5 < 2))
                    red = green = blue = 20;
                frame.SetRgb(x, row, red, green, blue);
            }
        writer.AddFrame(frame, t + 1 == kFrames);
    }
    return writer.Finish();
}

// The video the benchmarks play, made or found once.
const std::vector<uint8_t>& Video() {
    static const std::vector<uint8_t> bytes = [] {
        if (platform::AssetResource resource = platform::FindAssetResource(190)) {
            std::fprintf(stderr, "video: resource 190, %zu bytes\n", resource.bytes.size);
            return std::vector<uint8_t>(resource.bytes.data,
                                        resource.bytes.data + resource.bytes.size);
        }
        std::vector<uint8_t> made = StandInVideo();
        std::fprintf(stderr, "video: no resource 190; a stand-in of %zu bytes (%.2f Mbit/s)\n",
                     made.size(), made.size() * 8.0 / 5.0 / 1e6);
        return made;
    }();
    return bytes;
}

class Player {
public:
    Player() {
        const std::vector<uint8_t>& bytes = Video();
        stream.Open(bytes.data(), static_cast<int>(bytes.size()));
    }

    // The next frame, starting over at the end (the rewind is not timed).
    void Next(benchmark::State& state) {
        if (stream.DecodeNextFrame())
            return;
        state.PauseTiming();
        stream.Rewind();
        state.ResumeTiming();
        stream.DecodeNextFrame();
    }

    TheoraStream stream;
};

// The machine is shared, so runs are disturbed by others: of the repetitions, the fastest ("_min")
// is the best estimate of the undisturbed cost.
double Fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

// A texture-sized buffer (1024 × 1024, as the 800 × 600 frame textures are).
struct Texture {
    std::vector<uint8_t> bits = std::vector<uint8_t>(1024 * 1024 * 4);
    BgrxTarget Target() { return BgrxTarget{bits.data(), 1024 * 4, 1024, 1024}; }
};

void BM_DecodeOnly(benchmark::State& state) {
    Player player;
    for (auto _ : state) {
        player.Next(state);
        benchmark::DoNotOptimize(player.stream.frameBuffer.y);
    }
}
BENCHMARK(BM_DecodeOnly)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", Fastest);

// The conversion alone, vectorised and pixel by pixel.
template <bool kVectorised> void BM_Convert(benchmark::State& state) {
    Player player;
    player.stream.DecodeNextFrame();
    const YuvPlanes planes = PlanesOf(player.stream.frameBuffer);
    Texture texture;
    for (auto _ : state) {
        if (kVectorised)
            ConvertYuvToBgrx(planes, texture.Target());
        else
            ConvertYuvToBgrxScalar(planes, texture.Target());
        benchmark::ClobberMemory();
    }
}
BENCHMARK_TEMPLATE(BM_Convert, true)
    ->Name("BM_ConvertSse2")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", Fastest);
BENCHMARK_TEMPLATE(BM_Convert, false)
    ->Name("BM_ConvertScalar")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", Fastest);

void BM_DecodeAndConvert(benchmark::State& state) {
    Player player;
    Texture texture;
    for (auto _ : state) {
        player.Next(state);
        ConvertYuvToBgrx(PlanesOf(player.stream.frameBuffer), texture.Target());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecodeAndConvert)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", Fastest);

// Through the registry into a frame texture of the headless device, with the pixel copy kept.
void BM_DecodeAndWriteTexture(benchmark::State& state) {
    IMResourceManager media;
    if (media.InitDirect3D(nullptr, true, kWidth, kHeight, 75) != 0) {
        state.SkipWithError("no headless device");
        return;
    }
    const int texture = media.CreateBlankTexture(L"bench frame", kWidth, kHeight,
                                                 platform::TextureFormat::X8R8G8B8);
    Player player;
    for (auto _ : state) {
        player.Next(state);
        WriteVideoFrame(media, texture, PlanesOf(player.stream.frameBuffer));
    }
    media.ReleaseTexture(texture);
}
BENCHMARK(BM_DecodeAndWriteTexture)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", Fastest);

// What the animation control costs per frame: IMTheoraView::SetFrame on the headless device.
void BM_TheoraViewSetFrame(benchmark::State& state) {
    IMResourceManager media;
    if (media.InitDirect3D(nullptr, true, kWidth, kHeight, 75) != 0) {
        state.SkipWithError("no headless device");
        return;
    }
    Renderer = &media;
    {
        const std::vector<uint8_t>& bytes = Video();
        IMTheoraView view;
        view.LoadFromMemory(bytes.data(), static_cast<int>(bytes.size()));
        unsigned frame = 0;
        for (auto _ : state) {
            if (view.GetLastFrame() != INT_MAX && static_cast<int>(frame) > view.GetLastFrame()) {
                state.PauseTiming();
                frame = 0;
                view.SetFrame(frame++); // the rewind
                state.ResumeTiming();
            }
            view.SetFrame(frame++);
        }
    }
    Renderer = nullptr;
}
BENCHMARK(BM_TheoraViewSetFrame)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("min", Fastest);

} // namespace
