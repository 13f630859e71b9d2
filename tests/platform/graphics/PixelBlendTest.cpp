// The device's own source-over blending against SDL's blitter, which it stands in for.
#include "platform/graphics/PixelBlend.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace platform;

namespace {

// A source surface of the given format over an ARGB target of the same size,
// both with rows of exactly width pixels, freed at the end.
struct Surfaces {
    Surfaces(int width, int height, Uint32 sourceFormat)
        : source(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, sourceFormat)),
          target(SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888)) {}
    ~Surfaces() {
        SDL_FreeSurface(source);
        SDL_FreeSurface(target);
    }
    Surfaces(const Surfaces&) = delete;
    Surfaces& operator=(const Surfaces&) = delete;

    bool Ready(int width) const {
        return source && target && source->pitch == width * 4 && target->pitch == width * 4;
    }
    uint32_t* From() const { return static_cast<uint32_t*>(source->pixels); }
    uint32_t* To() const { return static_cast<uint32_t*>(target->pixels); }

    SDL_Surface* source;
    SDL_Surface* target;
};

// Every source alpha with every source and target channel value (the target's alpha included),
// 2^24 pixels in rows of 4096: each row is blended from an odd start over an odd length, so the
// vectorised loop meets every alignment and ends with pixels one at a time.
TEST(PixelBlendTest, BlendingGivesSdlsBlitToTheBit) {
    constexpr int kWidth = 4096, kHeight = 4096;
    const Surfaces surfaces(kWidth, kHeight, SDL_PIXELFORMAT_ARGB8888);
    ASSERT_TRUE(surfaces.Ready(kWidth)) << SDL_GetError();
    uint32_t* from = surfaces.From();
    uint32_t* to = surfaces.To();
    for (uint32_t i = 0; i < uint32_t(kWidth) * kHeight; ++i) {
        const uint32_t alpha = i >> 16, s = i >> 8 & 0xFF, t = i & 0xFF;
        from[i] = alpha << 24 | s << 16 | (s ^ 0x55) << 8 | (255 - s);
        to[i] = t << 24 | t << 16 | (t ^ 0xAA) << 8 | (255 - t);
    }
    std::vector<uint32_t> mine(to, to + size_t(kWidth) * kHeight);
    std::vector<uint32_t> oneByOne = mine;
    SDL_SetSurfaceBlendMode(surfaces.source, SDL_BLENDMODE_BLEND);
    ASSERT_EQ(SDL_BlitSurface(surfaces.source, nullptr, surfaces.target, nullptr), 0) << SDL_GetError();
    for (int y = 0; y < kHeight; ++y) {
        const int first = y % 4, count = kWidth - first - y % 3;
        const size_t row = size_t(y) * kWidth + first;
        BlendOver(from + row, mine.data() + row, count);
        BlendOverOneByOne(from + row, oneByOne.data() + row, kWidth - first);
    }
    int wrong = 0;
    for (size_t i = 0; i < mine.size() && wrong < 5; ++i) {
        const int x = static_cast<int>(i % kWidth), y = static_cast<int>(i / kWidth);
        const uint32_t untouched = (i & 0xFF) << 24 | (i & 0xFF) << 16 | ((i & 0xFF) ^ 0xAA) << 8 |
                                   (255 - (i & 0xFF));
        const bool blended = x >= y % 4 && x < kWidth - y % 3;
        if (mine[i] != (blended ? to[i] : untouched)) {
            ADD_FAILURE() << "four at a time, source " << std::hex << from[i] << " over "
                          << untouched << ": SDL " << to[i] << ", blended " << mine[i];
            ++wrong;
        }
        if (x >= y % 4 && oneByOne[i] != to[i]) {
            ADD_FAILURE() << "one by one, source " << std::hex << from[i] << " over "
                          << untouched << ": SDL " << to[i] << ", blended " << oneByOne[i];
            ++wrong;
        }
    }
}

// A picture without alpha (a video frame) over any target, its unused fourth byte set or not.
TEST(PixelBlendTest, APictureWithoutAlphaIsCopiedOpaqueAsSdlsBlitDrawsIt) {
    constexpr int kWidth = 1024, kHeight = 256;
    const Surfaces surfaces(kWidth, kHeight, SDL_PIXELFORMAT_RGB888);
    ASSERT_TRUE(surfaces.Ready(kWidth)) << SDL_GetError();
    uint32_t* from = surfaces.From();
    uint32_t* to = surfaces.To();
    uint32_t random = 12345;
    for (int i = 0; i < kWidth * kHeight; ++i) {
        from[i] = random = random * 1664525u + 1013904223u;
        to[i] = random = random * 1664525u + 1013904223u;
    }
    std::vector<uint32_t> mine(to, to + size_t(kWidth) * kHeight);
    SDL_SetSurfaceBlendMode(surfaces.source, SDL_BLENDMODE_BLEND);
    ASSERT_EQ(SDL_BlitSurface(surfaces.source, nullptr, surfaces.target, nullptr), 0) << SDL_GetError();
    for (int y = 0; y < kHeight; ++y)
        CopyOpaque(from + size_t(y) * kWidth, mine.data() + size_t(y) * kWidth, kWidth);
    int wrong = 0;
    for (size_t i = 0; i < mine.size() && wrong < 5; ++i)
        if (mine[i] != to[i]) {
            ADD_FAILURE() << "source " << std::hex << from[i] << ": SDL " << to[i] << ", copied "
                          << mine[i];
            ++wrong;
        }
}

} // namespace
