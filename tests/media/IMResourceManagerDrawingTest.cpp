// Drawing quads: the vertex and texture-coordinate values handed to the device, and the pixels
// the software renderer makes of them (tint, rotation, source rectangles, origin, clipping).
#include "media/IMResourceManager.h"

#include "tests/media/PictureFixtures.h"

#include <gtest/gtest.h>

#include <numbers>

using platform::Rect;

namespace {

constexpr uint32_t kBackground = 0xFF204060;
constexpr float kHalfPi = std::numbers::pi_v<float> / 2;

// The 4 × 2 test picture: every texel different; the right half is translucent.
uint32_t PatternAt(int x, int y) {
    uint32_t alpha = x < 2 ? 0xFF : 0x90;
    return alpha << 24 | uint32_t(0x30 + 0x40 * x) << 16 | uint32_t(0x50 + 0x80 * y) << 8 | 0x18u;
}

// What the renderer makes of a texel over an opaque pixel: a = texel alpha × tint alpha / 255,
// each colour (texel × tint / 255) × a / 255 + destination × (255 − a) / 255.
uint32_t Blend(uint32_t texel, uint32_t tint, uint32_t destination) {
    uint32_t a = (texel >> 24) * (tint >> 24) / 255;
    uint32_t out = 0xFF000000;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t s = (texel >> shift & 0xFF) * (tint >> shift & 0xFF) / 255;
        uint32_t d = destination >> shift & 0xFF;
        out |= (s * a / 255 + d * (255 - a) / 255) << shift;
    }
    return out;
}

class DrawingTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(media.InitDirect3D(nullptr, true, 800, 600, 75), 0);
        std::vector<uint8_t> bytes = fixtures::EncodePng(fixtures::RgbaPicture(4, 2, PatternAt));
        pattern = media.LoadTextureFromMemory(L"pattern", bytes.data(), bytes.size());
        ASSERT_NE(pattern, media.InvalidTexture());
        media.Clear(kBackground);
    }

    // Expects the screen box at (left, top) to show `expected(x, y)` for each of its pixels, and
    // the background in a one-pixel ring around it. Only colours count: the back buffer's own
    // alpha is never shown.
    template <class Expected>
    void ExpectBox(int left, int top, int width, int height, Expected expected) {
        platform::Screenshot shot = media.ReadPixels();
        for (int y = -1; y <= height; ++y)
            for (int x = -1; x <= width; ++x) {
                bool inside = x >= 0 && y >= 0 && x < width && y < height;
                uint32_t want = inside ? expected(x, y) : kBackground;
                uint32_t got = shot.At(left + x, top + y);
                for (int shift = 0; shift < 24; shift += 8)
                    ASSERT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), 1)
                        << std::hex << "pixel " << std::dec << x << ", " << y << std::hex
                        << ": got " << got << ", want " << want;
            }
    }

    IMResourceManager media;
    int pattern = 0;
};

TEST_F(DrawingTest, QuadCornersAndTextureCoordinates) {
    int picture = media.CreateBlankTexture(L"100 x 30", 100, 30, platform::TextureFormat::A8R8G8B8);
    const Rect source{20, 10, 60, 30};
    struct Corner {
        float x, y, u, v;
    };
    struct {
        const char* what;
        int originX, originY;
        Rect destination;
        const Rect* source;
        float angle;
        Corner corners[4];
    } cases[] = {
        // clang-format off
        {"whole picture at its own size", 0, 0, {10, 20, 110, 50}, nullptr, 0.0f,
         {{9.5f, 19.5f, 0, 0}, {109.5f, 19.5f, 100 / 128.f, 0},
          {109.5f, 49.5f, 100 / 128.f, 30 / 32.f}, {9.5f, 49.5f, 0, 30 / 32.f}}},
        {"moved by the origin", 100, 50, {0, 0, 10, 10}, nullptr, 0.0f,
         {{99.5f, 49.5f, 0, 0}, {109.5f, 49.5f, 100 / 128.f, 0},
          {109.5f, 59.5f, 100 / 128.f, 30 / 32.f}, {99.5f, 59.5f, 0, 30 / 32.f}}},
        {"a source rectangle", 0, 0, {0, 0, 40, 20}, &source, 0.0f,
         {{-0.5f, -0.5f, 20 / 128.f, 10 / 32.f}, {39.5f, -0.5f, 60 / 128.f, 10 / 32.f},
          {39.5f, 19.5f, 60 / 128.f, 30 / 32.f}, {-0.5f, 19.5f, 20 / 128.f, 30 / 32.f}}},
        // Centre (60, 35), w 100, h 30: the top-left corner goes to (cx + h/2, cy − w/2) and
        // keeps its texture coordinates.
        {"turned a quarter clockwise", 0, 0, {10, 20, 110, 50}, nullptr, kHalfPi,
         {{74.5f, -15.5f, 0, 0}, {74.5f, 84.5f, 100 / 128.f, 0},
          {44.5f, 84.5f, 100 / 128.f, 30 / 32.f}, {44.5f, -15.5f, 0, 30 / 32.f}}},
        {"turned with a source rectangle", 0, 0, {0, 0, 40, 20}, &source, kHalfPi,
         {{29.5f, -10.5f, 20 / 128.f, 10 / 32.f}, {29.5f, 29.5f, 60 / 128.f, 10 / 32.f},
          {9.5f, 29.5f, 60 / 128.f, 30 / 32.f}, {9.5f, -10.5f, 20 / 128.f, 30 / 32.f}}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        media.originX = c.originX;
        media.originY = c.originY;
        EXPECT_EQ(media.DrawTexture(picture, c.destination, c.source, 0x80FF0000, c.angle), 0);
        for (size_t i = 0; i < 4; ++i) {
            const platform::QuadVertex& vertex = media.quadBuffer[i];
            EXPECT_NEAR(vertex.x, c.corners[i].x, 1e-4) << "vertex " << i;
            EXPECT_NEAR(vertex.y, c.corners[i].y, 1e-4) << "vertex " << i;
            EXPECT_FLOAT_EQ(vertex.u, c.corners[i].u) << "vertex " << i;
            EXPECT_FLOAT_EQ(vertex.v, c.corners[i].v) << "vertex " << i;
            EXPECT_EQ(vertex.z, 0.0f);
            EXPECT_EQ(vertex.rhw, 1.0f);
            EXPECT_EQ(vertex.diffuse, 0x80FF0000u);
        }
    }
}

TEST_F(DrawingTest, EmptyDestinationsDrawNothing) {
    for (Rect destination : {Rect{10, 10, 10, 20}, Rect{10, 20, 30, 10}, Rect{30, 10, 10, 20}}) {
        EXPECT_EQ(media.DrawTexture(pattern, destination, nullptr, 0x12345678), 0);
        EXPECT_NE(media.quadBuffer[0].diffuse, 0x12345678u) << "no quad was computed";
    }
    for (uint32_t pixel : media.ReadPixels().pixels)
        ASSERT_EQ(pixel, kBackground);
}

TEST_F(DrawingTest, TintsBlendWithTheTexelsAlpha) {
    struct {
        const char* what;
        uint32_t color;
    } cases[] = {{"unchanged", 0xFFFFFFFF}, {"half opacity", 0x80FFFFFF}, {"black", 0xFF000000}};
    int left = 10;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        media.DrawTexture(pattern, {left, 20, left + 4, 22}, nullptr, c.color);
        ExpectBox(left, 20, 4, 2,
                  [&](int x, int y) { return Blend(PatternAt(x, y), c.color, kBackground); });
        left += 10;
    }
}

TEST_F(DrawingTest, QuarterTurnsAreTexelExact) {
    // Clockwise by 90°: the 4 × 2 picture becomes 2 wide and 4 tall about the same centre, and
    // its top-left texel lands in the top-right corner.
    media.DrawTexture(pattern, {100, 100, 104, 102}, nullptr, 0xFFFFFFFF, kHalfPi);
    ExpectBox(101, 99, 2, 4,
              [](int x, int y) { return Blend(PatternAt(y, 1 - x), 0xFFFFFFFF, kBackground); });
    media.DrawTexture(pattern, {200, 100, 204, 102}, nullptr, 0xFFFFFFFF, 2 * kHalfPi);
    ExpectBox(200, 100, 4, 2,
              [](int x, int y) { return Blend(PatternAt(3 - x, 1 - y), 0xFFFFFFFF, kBackground); });
    // A source rectangle turns with the quad.
    const Rect middle{1, 0, 3, 2};
    media.DrawTexture(pattern, {300, 100, 302, 102}, &middle, 0xFFFFFFFF, 3 * kHalfPi);
    ExpectBox(300, 100, 2, 2, [](int x, int y) {
        return Blend(PatternAt(1 + (1 - y), x), 0xFFFFFFFF, kBackground);
    });
}

TEST_F(DrawingTest, SourceRectanglesOriginAndScaling) {
    const Rect right{2, 0, 4, 2};
    media.DrawTexture(pattern, {10, 10, 12, 12}, &right);
    ExpectBox(10, 10, 2, 2,
              [](int x, int y) { return Blend(PatternAt(2 + x, y), 0xFFFFFFFF, kBackground); });

    media.originX = 100;
    media.originY = 50;
    media.DrawTexture(pattern, {0, 0, 4, 2});
    ExpectBox(100, 50, 4, 2,
              [](int x, int y) { return Blend(PatternAt(x, y), 0xFFFFFFFF, kBackground); });
    media.originX = media.originY = 0;

    // Enlarged pictures take the nearest texel: each becomes a 2 × 2 block.
    media.DrawTexture(pattern, {300, 300, 308, 304});
    ExpectBox(300, 300, 8, 4,
              [](int x, int y) { return Blend(PatternAt(x / 2, y / 2), 0xFFFFFFFF, kBackground); });
}

TEST_F(DrawingTest, TheViewportClips) {
    EXPECT_EQ(media.GetViewport(), (Rect{0, 0, 800, 600}));
    media.SetViewport({0, 0, 102, 51});
    EXPECT_EQ(media.GetViewport(), (Rect{0, 0, 102, 51}));
    media.DrawTexture(pattern, {100, 50, 104, 52});
    media.SetViewport({0, 0, 800, 600});
    ExpectBox(100, 50, 4, 2, [](int x, int y) {
        return x < 2 && y < 1 ? Blend(PatternAt(x, y), 0xFFFFFFFF, kBackground) : kBackground;
    });
}

TEST_F(DrawingTest, FreeRotationsTurnAboutTheCentre) {
    std::vector<uint8_t> bytes =
        fixtures::EncodePng(fixtures::RgbaPicture(60, 20, [](int, int) { return 0xFFFFFF00u; }));
    int bar = media.LoadTextureFromMemory(L"bar", bytes.data(), bytes.size());
    // A 60 × 20 bar centred on (400, 300) turned by 45°: its ends reach along the diagonal.
    media.DrawTexture(bar, {370, 290, 430, 310}, nullptr, 0xFFFFFFFF, kHalfPi / 2);
    platform::Screenshot shot = media.ReadPixels();
    EXPECT_EQ(shot.At(400, 300), 0xFFFFFF00u);
    EXPECT_EQ(shot.At(418, 318), 0xFFFFFF00u) << "along the turned bar";
    EXPECT_EQ(shot.At(382, 282), 0xFFFFFF00u) << "along the turned bar";
    EXPECT_EQ(shot.At(372, 292), kBackground) << "where the upright corner was";
    EXPECT_EQ(shot.At(425, 292), kBackground) << "where the upright corner was";
}

TEST_F(DrawingTest, EvictedTexturesReturnOnTheirNextDraw) {
    media.EvictTexture(pattern);
    EXPECT_EQ(media.Slot(pattern)->texture, nullptr);
    media.DrawTexture(pattern, {10, 10, 14, 12});
    EXPECT_NE(media.Slot(pattern)->texture, nullptr);
    ExpectBox(10, 10, 4, 2,
              [](int x, int y) { return Blend(PatternAt(x, y), 0xFFFFFFFF, kBackground); });
}

} // namespace
