// The pictures of the game screen agree with the geometry the game's code assumes: one lake shape,
// the glass hole, arrows that are hit only where they point, a start on open water.
#include "AssetDecoders.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

using namespace assets_test;

namespace {

constexpr int kMapLeft = 229, kMapTop = 29, kMapWidth = 541, kMapHeight = 352;
constexpr double kGlassX = 204, kGlassY = 398; // centre of the magnifier's glass on the screen

const PngPicture& Picture(const char* relative) {
    // Decoded once per run; the tests only read them.
    static std::map<std::string, PngPicture> cache;
    auto it = cache.find(relative);
    if (it == cache.end()) {
        auto picture = ReadPng(AssetPath(relative));
        EXPECT_TRUE(picture.has_value()) << relative;
        it = cache.emplace(relative, picture.value_or(PngPicture{})).first;
    }
    return it->second;
}

double Luminance(const PngPicture& p) {
    double sum = 0, weight = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* c = p.At(x, y);
            sum += (0.3 * c[0] + 0.59 * c[1] + 0.11 * c[2]) * c[3];
            weight += c[3];
        }
    return weight > 0 ? sum / weight : 0;
}

} // namespace

TEST(LakeMask, BoatStartsWithItsWholeBlockOnOpenWater) {
    const auto& mask = Picture("exercise/118.png");
    ASSERT_EQ(mask.width, kMapWidth);
    for (int j = 0; j < 35; ++j)
        for (int i = 0; i < 14; ++i)
            ASSERT_EQ(mask.Alpha(280 + i, 170 + j), 0) << "land at " << 280 + i << ", " << 170 + j;
}

TEST(LakeMask, LandIsOpaqueBlackWaterTransparentCoastSoft) {
    const auto& mask = Picture("exercise/118.png");
    int water = 0, land = 0, coast = 0;
    for (int y = 0; y < mask.height; ++y)
        for (int x = 0; x < mask.width; ++x) {
            const uint8_t* c = mask.At(x, y);
            if (c[3] == 0)
                ++water;
            else if (c[3] == 255)
                ++land;
            else
                ++coast;
            if (c[3] != 0) {
                ASSERT_TRUE(c[0] == 0 && c[1] == 0 && c[2] == 0) << x << ", " << y;
            }
        }
    EXPECT_GT(water, mask.width * mask.height / 3);
    EXPECT_GT(land, mask.width * mask.height / 4);
    EXPECT_GT(coast, 500) << "the coast should be anti-aliased";
    // The map's border is land, so nothing can be placed on the picture's edge.
    for (int x = 0; x < mask.width; ++x)
        EXPECT_EQ(mask.Alpha(x, 0), 255);
}

// The background's map is the mask drawn pixel for pixel at (229, 29): water
// pixels of the mask show blue water, land pixels show parchment or trees, never water.
TEST(Background, MapShowsTheMaskPixelForPixel) {
    const auto& mask = Picture("exercise/118.png");
    const auto& background = Picture("exercise/101.png");
    int checked = 0;
    for (int y = 0; y < kMapHeight; ++y)
        for (int x = 0; x < kMapWidth; ++x) {
            const int sx = kMapLeft + x, sy = kMapTop + y;
            if (std::hypot(sx + 0.5 - kGlassX, sy + 0.5 - kGlassY) < 185)
                continue; // the magnifier lies over this corner of the map
            const uint8_t* c = background.At(sx, sy);
            ASSERT_EQ(c[3], 255) << sx << ", " << sy;
            const int a = mask.Alpha(x, y);
            if (a == 0) {
                ASSERT_GT(c[2], c[0] + 40)
                    << "water in the mask, not on the map at " << x << ", " << y;
            } else if (a == 255) {
                ASSERT_LE(c[2], c[0] + 40)
                    << "land in the mask, water on the map at " << x << ", " << y;
            }
            ++checked;
        }
    EXPECT_GT(checked, kMapWidth * kMapHeight * 3 / 4);
}

TEST(Background, GlassIsATransparentHoleInAnOpaquePicture) {
    const auto& background = Picture("exercise/101.png");
    // Inside the glass, out to a few pixels short of about x 52 … 360, y 248 … 555.
    for (auto [x, y] : std::vector<std::pair<int, int>>{
             {202, 396}, {57, 398}, {352, 398}, {204, 252}, {204, 546}, {100, 300}, {300, 500}})
        EXPECT_EQ(background.Alpha(x, y), 0) << x << ", " << y;
    for (int y = 0; y < background.height; ++y)
        for (int x = 0; x < background.width; ++x) {
            const double d = std::hypot(x + 0.5 - kGlassX, y + 0.5 - kGlassY);
            if (d > 156) {
                ASSERT_EQ(background.Alpha(x, y), 255) << x << ", " << y;
            }
            if (d < 152) {
                ASSERT_EQ(background.Alpha(x, y), 0) << x << ", " << y;
            }
        }
}

// The rings are drawn at (65, 255); only alpha 255 is hit. Each ring's opaque
// pixels must lie inside the glass, in the direction its arrow moves the boat.
TEST(ArrowRings, OnlyTheArrowIsOpaqueAndItPointsItsWay) {
    const struct {
        const char* path;
        double degrees;
    } rings[] = {
        {"exercise/117.png", 0},   {"exercise/121.png", 45},  {"exercise/122.png", 135},
        {"exercise/185.png", 225}, {"exercise/184.png", 315},
    };
    for (const auto& ring : rings) {
        SCOPED_TRACE(ring.path);
        const auto& p = Picture(ring.path);
        int opaque = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                if (p.Alpha(x, y) != 255)
                    continue;
                ++opaque;
                const double dx = x + 0.5 - 140, dy = y + 0.5 - 140;
                ASSERT_LT(std::hypot(dx, dy), 150)
                    << "opaque outside the glass at " << x << ", " << y;
                ASSERT_GT(std::hypot(dx, dy), 70) << "opaque over the boat at " << x << ", " << y;
                double angle = std::atan2(dx, -dy) * 180 / M_PI; // compass angle, 0 = up
                double off = std::fmod(angle - ring.degrees + 540, 360) - 180;
                ASSERT_LT(std::abs(off), 22.5)
                    << "opaque pixel of another direction at " << x << ", " << y;
            }
        EXPECT_GT(opaque, 1500) << "the arrow must be easy to hit";
    }
}

TEST(LakeBottomAndWater, TileRepeatsSeamlesslyAndRippleIsTranslucent) {
    const auto& tile = Picture("exercise/119.png");
    auto columnStep = [&](int a, int b) {
        double sum = 0;
        for (int y = 0; y < tile.height; ++y)
            for (int k = 0; k < 4; ++k)
                sum += std::abs(tile.At(a, y)[k] - tile.At(b, y)[k]);
        return sum / tile.height;
    };
    // Across the seam the tile changes no more than between neighbouring columns.
    EXPECT_LT(columnStep(tile.width - 1, 0), 2 * columnStep(0, 1) + 2);
    auto rowStep = [&](int a, int b) {
        double sum = 0;
        for (int x = 0; x < tile.width; ++x)
            for (int k = 0; k < 4; ++k)
                sum += std::abs(tile.At(x, a)[k] - tile.At(x, b)[k]);
        return sum / tile.width;
    };
    EXPECT_LT(rowStep(tile.height - 1, 0), 2 * rowStep(0, 1) + 2);

    for (int n = 124; n <= 135; ++n) {
        const auto& frame = Picture(("exercise/" + std::to_string(n) + ".png").c_str());
        double alpha = 0;
        for (int i = 3; i < static_cast<int>(frame.rgba.size()); i += 4)
            alpha += frame.rgba[i];
        EXPECT_NEAR(alpha / (frame.width * frame.height), 148, 6) << n;
    }
}

TEST(Objects, LevelThreeIsSharpAndLevelOneMostBlurred) {
    auto sharpness = [](const PngPicture& p) {
        double sum = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 1; x < p.width; ++x)
                sum += std::abs(p.Alpha(x, y) - p.Alpha(x - 1, y));
        return sum;
    };
    for (int first = 142; first <= 181; first += 3) {
        SCOPED_TRACE(first);
        const double s1 =
            sharpness(Picture(("exercise/" + std::to_string(first) + ".png").c_str()));
        const double s2 =
            sharpness(Picture(("exercise/" + std::to_string(first + 1) + ".png").c_str()));
        const double s3 =
            sharpness(Picture(("exercise/" + std::to_string(first + 2) + ".png").c_str()));
        EXPECT_LT(s1, s2);
        EXPECT_LT(s2, s3);
    }
}

TEST(Skin, PointerOverIsLighterAndPressedDarker) {
    for (const char* name :
         {"PrintButton", "SaveAsButton", "RetryButton", "CloseButton", "StartPopStartButton",
          "SubmitButton", "OptionsButton", "CancelButton"}) {
        SCOPED_TRACE(name);
        const std::string base = std::string("skin/") + name;
        const double normal = Luminance(Picture((base + ".png").c_str()));
        EXPECT_GT(Luminance(Picture((base + "Nuv.png").c_str())), normal + 5);
        EXPECT_LT(Luminance(Picture((base + "Klick.png").c_str())), normal - 5);
    }
    const uint8_t* mask = Picture("skin/SelectionMask.png").At(0, 0);
    EXPECT_EQ((std::vector<int>{mask[0], mask[1], mask[2], mask[3]}),
              (std::vector<int>{0x00, 0x56, 0xFF, 0x1C}));
    const auto& caret = Picture("skin/EditBarKaretka.png");
    for (int y = 0; y < caret.height; ++y)
        EXPECT_EQ((std::vector<int>{caret.At(0, y)[0], caret.At(0, y)[1], caret.At(0, y)[2]}),
                  (std::vector<int>{0, 0, 0}));
}

// The highlight "KEYSPACE" is laid at (237, 502), the keyboard at (107, 347):
// it must cover the keyboard's light space bar and nothing but it.
TEST(ShellPictures, SpaceHighlightLiesOverTheSpaceBar) {
    const auto& keyboard = Picture("shell/KEYBOARDPIC.png");
    const auto& space = Picture("shell/KEYSPACE.png");
    const int left = 237 - 107, top = 502 - 347;
    auto light = [&](int x, int y) {
        const uint8_t* c = keyboard.At(x, y);
        return c[0] > 200 && c[1] > 200 && c[2] > 200;
    };
    for (int x = left + 3; x < left + space.width - 3; ++x) {
        EXPECT_TRUE(light(x, top + space.height / 2)) << x;
        EXPECT_FALSE(light(x, top + space.height + 3)) << x; // the keyboard's frame below the bar
    }
    EXPECT_FALSE(light(left - 3, top + space.height / 2));
    EXPECT_FALSE(light(left + space.width + 1, top + space.height / 2));
}
