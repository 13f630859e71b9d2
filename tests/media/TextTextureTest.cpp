// Glyph textures made from real fonts: sizes, sharing by name, font matching, the underline bar,
// the blending of text over the background, and the pixels of real letters.
#include "media/IMResourceManager.h"

#include <gtest/gtest.h>

using platform::Rect;

namespace {

class TextTextureTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(media.InitDirect3D(nullptr, true, 800, 600, 75), 0); }

    int Glyph(const wchar_t* name, wchar_t character, int size, uint32_t text, uint32_t back,
              bool underline = false, const Rect* box = nullptr) {
        int index = media.CreateTextTexture(name, character, box, text, size, L"Arial", false,
                                            false, underline, back);
        EXPECT_NE(index, media.InvalidTexture());
        return index;
    }
    Rect Image(int index) { return media.Slot(index)->image; }
    uint32_t Alpha(int index, int x, int y) { return media.GetTexturePixel(index, x, y) >> 24; }

    IMResourceManager media;
};

TEST_F(TextTextureTest, ASpaceIsBackgroundOnlyAdvanceWideAndACellHigh) {
    int space = Glyph(L"space", L' ', 18, 0xFF000000, 0x80AFAFAF);
    EXPECT_EQ(Image(space), (Rect{0, 0, 4, 18}));
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(media.GetTexturePixel(space, x, y), 0x80AFAFAFu) << x << ", " << y;
}

TEST_F(TextTextureTest, ARegisteredNameIsSharedWhateverTheOtherArguments) {
    int first = Glyph(L"key", L'A', 18, 0xFF000000, 0);
    int again = media.CreateTextTexture(L"key", L'W', nullptr, 0xFFFF0000, 40, L"Courier", true,
                                        true, true, 0xFFFFFFFF);
    EXPECT_EQ(again, first);
    EXPECT_EQ(media.Slot(first)->refCount, 2);
    EXPECT_EQ(Image(first).bottom, 18);
}

TEST_F(TextTextureTest, FontsMatchOnFaceHeightBoldAndItalicButNotUnderline) {
    int plain = media.GetFont(L"Arial", 18, false, false, false);
    EXPECT_EQ(media.GetFont(L"Arial", 18, false, false, true), plain);
    EXPECT_FALSE(media.fonts.fontList[plain]->underline);
    EXPECT_NE(media.GetFont(L"Arial", 18, true, false, false), plain);
    EXPECT_NE(media.GetFont(L"Arial", 18, false, true, false), plain);
    EXPECT_NE(media.GetFont(L"Arial", 20, false, false, false), plain);
    EXPECT_NE(media.GetFont(L"Verdana", 18, false, false, false), plain);
    EXPECT_EQ(media.fonts.fontList.size(), 5u);

    // The character caches fill on first use and are asked again from the record.
    Glyph(L"a1", L'a', 18, 0xFF000000, 0);
    Glyph(L"a2", L'a', 18, 0xFF0000FF, 0);
    const FontRecord& font = *media.fonts.fontList[plain];
    EXPECT_EQ(font.abcWidths.size(), 1u);
    EXPECT_EQ(font.outlineSizes.size(), 1u);
    EXPECT_EQ(font.outlines.at(L'a').size(), font.outlineSizes.at(L'a'));
}

TEST_F(TextTextureTest, UnderlineIsABarFromAFifteenthToHalfTheDescentAboveTheBottom) {
    // Even though the plain font was made first, the bar comes from the request.
    Glyph(L"plain space", L' ', 18, 0xFF000000, 0x00FFFFFF);
    int bar = Glyph(L"underlined space", L' ', 18, 0xFF000000, 0x00FFFFFF, true);
    // The descent at 18 is 3: the bar covers 0.8 of the bottom row and half of the one above.
    for (int x = 0; x < 4; ++x) {
        SCOPED_TRACE(x);
        EXPECT_NEAR(int(Alpha(bar, x, 17)), 204, 2);
        EXPECT_NEAR(int(Alpha(bar, x, 16)), 128, 2);
        for (int y = 0; y < 16; ++y)
            EXPECT_EQ(Alpha(bar, x, y), 0u);
    }
}

TEST_F(TextTextureTest, BlackTextOnTransparentGivesAlphaOnlyAlongTheGlyph) {
    int o = Glyph(L"O", L'O', 40, 0xFF000000, 0x00FFFFFF);
    Rect image = Image(o);
    int opaque = 0, partial = 0;
    for (int y = 0; y < image.bottom; ++y)
        for (int x = 0; x < image.right; ++x) {
            uint32_t pixel = media.GetTexturePixel(o, x, y);
            uint32_t alpha = pixel >> 24;
            if (alpha == 0) {
                ASSERT_EQ(pixel, 0x00FFFFFFu);
            } else if (alpha == 255) {
                ASSERT_EQ(pixel, 0xFF000000u);
                ++opaque;
            } else {
                ++partial;
            }
        }
    EXPECT_GT(opaque, 100);
    EXPECT_GT(partial, 40);

    // Upright and in its place: the letter spans the cap height above the baseline (ascent 32 of
    // 40), its middle is a hole, and nothing lies below the baseline or above the cap.
    int middleX = image.right / 2;
    EXPECT_EQ(Alpha(o, middleX, 20), 0u);   // inside the hole
    EXPECT_EQ(Alpha(o, middleX, 30), 255u); // the bottom of the ring
    EXPECT_EQ(Alpha(o, middleX, 8), 255u);  // its top
    for (int x = 0; x < image.right; ++x) {
        EXPECT_EQ(Alpha(o, x, 33), 0u);
        EXPECT_EQ(Alpha(o, x, 5), 0u);
    }
}

TEST_F(TextTextureTest, TranslucentTextBlendsOverTheBackgroundByTheDesignFormula) {
    // A fully covered pixel in the stem of an "I": text alpha 128 over opaque blue.
    int i = Glyph(L"I", L'I', 60, 0x80FF0000, 0xFF0000FF);
    int x = Image(i).right / 2, y = 30;
    // alpha = 128 × 256 >> 8 = 128; red ((255 − 0) × 128 + (0 << 8)) >> 8 = 127;
    // blue ((0 − 255) × 128 + (255 << 8)) >> 8 = 127; alpha (128 + 255) − (128 × 255 + 255) >> 8.
    EXPECT_EQ(media.GetTexturePixel(i, x, y), 0xFF7F007Fu);
    EXPECT_EQ(media.GetTexturePixel(i, 0, 0), 0xFF0000FFu);
}

TEST_F(TextTextureTest, ABoxSetsTheSizeAndAnEmptyOneGivesOnePixel) {
    const Rect box{5, 5, 15, 35};
    int boxed = Glyph(L"boxed", L'x', 18, 0xFF000000, 0xFF00FF00, false, &box);
    EXPECT_EQ(Image(boxed), (Rect{0, 0, 10, 30}));
    EXPECT_EQ(media.Slot(boxed)->textureWidth, 16);
    EXPECT_EQ(media.Slot(boxed)->textureHeight, 32);

    for (Rect empty : {Rect{3, 3, 3, 3}, Rect{9, 9, 2, 2}}) {
        int index = Glyph(empty.left == 3 ? L"empty" : L"inverted", L'x', 18, 0xFF000000,
                          0xFF00FF00, false, &empty);
        EXPECT_EQ(Image(index), (Rect{0, 0, 1, 1}));
        EXPECT_EQ(media.Slot(index)->textureWidth, 1);
    }
}

TEST_F(TextTextureTest, GlyphsSurviveEvictionThroughTheirCopy) {
    int o = Glyph(L"O", L'O', 30, 0xFF000000, 0x00FFFFFF);
    uint32_t before = media.GetTexturePixel(o, 8, 12);
    media.EvictTexture(o);
    EXPECT_EQ(media.GetTexturePixel(o, 8, 12), before);
    EXPECT_NE(media.Slot(o)->texture, nullptr);
}

TEST_F(TextTextureTest, WithoutADeviceNothingIsMade) {
    IMResourceManager headless;
    EXPECT_EQ(headless.CreateTextTexture(L"x", L'x', nullptr, 0xFF000000, 18, L"Arial", false,
                                         false, false, 0),
              headless.InvalidTexture());
}

} // namespace
