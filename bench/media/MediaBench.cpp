// Decoding the program's kind of pictures through LoadTexture against a bare libpng decode of the
// same files, and drawing one frame of 40 quads on the headless renderer.
//
// The set: an 800 × 600 RGBA background, a 700 × 700 RGB lake bottom, twelve 350 × 350 RGBA
// tiles and sixty small RGBA pictures (24 … 140 pixels), painted like the program's art (smooth
// shading, shapes with soft edges, a little grain) so they compress as real pictures do.
#include "media/IMResourceManager.h"
#include "platform/TextCodec.h"

#include "tests/media/PictureFixtures.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct BenchPicture {
    std::string path;
    int width;
    int height;
};

uint32_t Grain(int x, int y) {
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return (h >> 16) & 3;
}

// Shading across the picture, two soft-edged round shapes and a faint grain.
uint32_t Painted(int x, int y, int width, int height, int seed, bool withAlpha) {
    double fx = double(x) / width, fy = double(y) / height;
    double r = 90 + 80 * fx + 20 * std::sin(fy * 6 + seed);
    double g = 120 + 60 * fy + 25 * std::cos(fx * 5 + seed * 0.7);
    double b = 160 - 50 * fx * fy + 15 * std::sin((fx + fy) * 9);
    double alpha = 255;
    for (int k = 0; k < 2; ++k) {
        double cx = (0.3 + 0.4 * k) * width, cy = (0.4 + 0.2 * ((seed + k) % 3)) * height;
        double radius = (0.18 + 0.05 * k) * std::min(width, height);
        double d = std::hypot(x - cx, y - cy) - radius;
        if (d < 0) {
            r = 230 - 40 * k;
            g = 180 + 30 * k;
            b = 60;
        } else if (withAlpha && k == 0) {
            alpha = std::max(0.0, 255 - d * 6);
        }
    }
    auto channel = [&](double v) { return uint32_t(std::clamp(v, 0.0, 251.0)) + Grain(x, y); };
    uint32_t a = withAlpha ? uint32_t(alpha) : 0xFF;
    return a << 24 | channel(r) << 16 | channel(g) << 8 | channel(b);
}

const std::vector<BenchPicture>& Pictures() {
    static std::vector<BenchPicture> pictures = [] {
        auto folder = std::filesystem::temp_directory_path() /
                      ("zel-media-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        std::vector<BenchPicture> made;
        auto add = [&](int width, int height, bool withAlpha, int seed) {
            std::string path =
                (folder / ("picture" + std::to_string(made.size()) + ".png")).string();
            fixtures::PngPicture picture =
                withAlpha
                    ? fixtures::RgbaPicture(
                          width, height,
                          [&](int x, int y) { return Painted(x, y, width, height, seed, true); })
                    : fixtures::RgbPicture(width, height, [&](int x, int y) {
                          return Painted(x, y, width, height, seed, false) & 0xFFFFFF;
                      });
            fixtures::WriteFile(path, fixtures::EncodePng(picture));
            made.push_back({path, width, height});
        };
        add(800, 600, true, 1);
        add(700, 700, false, 2);
        for (int i = 0; i < 12; ++i)
            add(350, 350, true, 3 + i);
        for (int i = 0; i < 60; ++i)
            add(24 + (i * 37) % 117, 24 + (i * 53) % 101, true, 20 + i);
        size_t bytes = 0;
        for (const BenchPicture& p : made)
            bytes += std::filesystem::file_size(p.path);
        std::printf("media_bench: %zu pictures, %.1f KiB of PNG in %s\n", made.size(),
                    bytes / 1024.0, folder.c_str());
        std::atexit([] {
            std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                        ("zel-media-bench-" + std::to_string(getpid())));
        });
        return made;
    }();
    return pictures;
}

// The limit: libpng reading each file with the same transformations into one buffer per picture.
void BM_BareLibpngDecode(benchmark::State& state) {
    const auto& pictures = Pictures();
    for (auto _ : state) {
        for (const BenchPicture& p : pictures) {
            std::FILE* file = std::fopen(p.path.c_str(), "rb");
            png_structp png =
                png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
            png_infop info = png_create_info_struct(png);
            if (setjmp(png_jmpbuf(png)))
                std::abort();
            png_init_io(png, file);
            png_read_info(png, info);
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
            png_set_bgr(png);
            png_read_update_info(png, info);
            size_t pitch = png_get_rowbytes(png, info);
            std::vector<uint8_t> pixels(pitch * p.height);
            std::vector<png_bytep> rows(p.height);
            for (int y = 0; y < p.height; ++y)
                rows[y] = pixels.data() + y * pitch;
            png_read_image(png, rows.data());
            png_read_end(png, nullptr);
            png_destroy_read_struct(&png, &info, nullptr);
            std::fclose(file);
            benchmark::DoNotOptimize(pixels.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * pictures.size());
}
BENCHMARK(BM_BareLibpngDecode)->Unit(benchmark::kMillisecond);

// The program's way: decode into a new texture, register it, make its pixel copy; then free it.
void BM_LoadTexture(benchmark::State& state) {
    const auto& pictures = Pictures();
    IMResourceManager media;
    media.InitDirect3D(nullptr, true, 800, 600, 75);
    std::vector<std::wstring> names;
    for (const BenchPicture& p : pictures)
        names.push_back(platform::Utf8ToWide(p.path));
    std::vector<int> loaded(names.size());
    for (auto _ : state) {
        for (size_t i = 0; i < names.size(); ++i)
            loaded[i] = media.LoadTexture(names[i]);
        state.PauseTiming();
        for (int index : loaded) {
            if (index == media.InvalidTexture())
                std::abort();
            media.ReleaseTexture(index);
        }
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * pictures.size());
}
BENCHMARK(BM_LoadTexture)->Unit(benchmark::kMillisecond);

// One frame of the game screen's size: the background, the bottom, the twelve tiles and 26 small
// pictures, each at its own size; with `turned`, two of the small ones are drawn rotated.
void DrawFrame(benchmark::State& state, bool turned) {
    const auto& pictures = Pictures();
    IMResourceManager media;
    media.InitDirect3D(nullptr, true, 800, 600, 75);
    std::vector<int> quads;
    for (size_t i = 0; i < 40; ++i)
        quads.push_back(media.LoadTexture(platform::Utf8ToWide(pictures[i].path)));
    for (auto _ : state) {
        media.Clear(0xFF000000);
        media.BeginScene();
        for (size_t i = 0; i < quads.size(); ++i) {
            const platform::Rect& image = media.Slot(quads[i])->image;
            int x = i < 2 ? 0 : int(i * 97 % 600), y = i < 2 ? 0 : int(i * 61 % 400);
            float angle = turned && i >= 38 ? 0.6f : 0.0f;
            media.DrawTexture(quads[i], image.Offset(x, y), nullptr, 0xFFFFFFFF, angle);
        }
        media.EndScene();
        // Present carries out what the renderer queued.
        media.Present();
    }
}
void BM_DrawFrame40Quads(benchmark::State& state) {
    DrawFrame(state, false);
}
void BM_DrawFrame40QuadsTwoTurned(benchmark::State& state) {
    DrawFrame(state, true);
}
BENCHMARK(BM_DrawFrame40Quads)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawFrame40QuadsTwoTurned)->Unit(benchmark::kMillisecond);

} // namespace
