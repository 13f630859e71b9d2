// Laying glyphs out: single lines, line breaks, word wrap, layouts that restart in the middle,
// and the visible-line search.
#include "gui/IMTextViewLayout.h"

#include <gtest/gtest.h>

#include <string>

using platform::Rect;

namespace {

// Letters are 5 × 18, spaces 3 × 18, carriage returns 4 × 18 (a space's picture) and line feeds
// 1 × 1, as the text view's pictures are at size 18.
GlyphList MakeGlyphs(const std::wstring& text) {
    GlyphList glyphs;
    for (wchar_t c : text) {
        auto glyph = std::make_unique<Glyph>();
        glyph->ch = c;
        glyph->pictureWidth = c == L' ' ? 3 : c == L'\r' ? 4 : c == L'\n' ? 1 : 5;
        glyph->pictureHeight = c == L'\n' ? 1 : 18;
        if (c == L'W')
            glyph->pictureHeight = 30;
        glyphs.push_back(std::move(glyph));
    }
    return glyphs;
}

TextLayoutRules Multiline(int width) {
    return {true, width, 16};
}

std::vector<Rect> Rects(const GlyphList& glyphs) {
    std::vector<Rect> rects;
    for (const auto& glyph : glyphs)
        rects.push_back(glyph->rect);
    return rects;
}

TEST(TextLayoutTest, AWrappedParagraph) {
    GlyphList glyphs = MakeGlyphs(L"aaa bb cccc dd");
    std::vector<int> starts;
    Rect extent = LayoutGlyphs(glyphs, starts, 0, Multiline(20));
    // "bb" does not fit after "aaa ", "cccc" not after "bb ", and the space after "cccc" (which
    // fills the line to the pixel) starts the last line itself.
    EXPECT_EQ(starts, (std::vector<int>{0, 4, 7, 11}));
    EXPECT_EQ(extent, (Rect{0, 0, 20, 72}));
    EXPECT_EQ(glyphs[3]->rect, (Rect{15, 0, 18, 18}));
    EXPECT_EQ(glyphs[4]->rect, (Rect{0, 18, 5, 36}));
    EXPECT_EQ(glyphs[10]->rect, (Rect{15, 36, 20, 54}));
    EXPECT_EQ(glyphs[11]->rect, (Rect{0, 54, 3, 72}));
    EXPECT_EQ(glyphs[13]->rect, (Rect{8, 54, 13, 72}));
}

TEST(TextLayoutTest, LineBreaksStartTheNextLineAtTheirWidth) {
    struct {
        const wchar_t* text;
        int nextX;
    } cases[] = {{L"ab\ncd", 1}, {L"ab\rcd", 8}};
    for (auto c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        GlyphList glyphs = MakeGlyphs(c.text);
        std::vector<int> starts;
        Rect extent = LayoutGlyphs(glyphs, starts, 0, Multiline(200));
        EXPECT_EQ(starts, (std::vector<int>{0, 3}));
        EXPECT_EQ(glyphs[2]->rect.left, 10);
        EXPECT_EQ(glyphs[2]->rect.top, 0);
        EXPECT_EQ(glyphs[3]->rect, (Rect{c.nextX, 18, c.nextX + 5, 36}));
        EXPECT_EQ(extent.bottom, 36);
    }
    // A trailing line feed leaves an empty line of the least height below.
    GlyphList glyphs = MakeGlyphs(L"ab\n");
    std::vector<int> starts;
    EXPECT_EQ(LayoutGlyphs(glyphs, starts, 0, Multiline(200)), (Rect{0, 0, 11, 34}));
    EXPECT_EQ(starts, (std::vector<int>{0, 3}));
}

TEST(TextLayoutTest, AWordWiderThanTheViewBreaksBeforeTheOverflowingGlyph) {
    GlyphList glyphs = MakeGlyphs(L"ab abcdefgh");
    std::vector<int> starts;
    LayoutGlyphs(glyphs, starts, 0, Multiline(22));
    // "abcd" wraps after the space; "e" would end at 25 and breaks the word.
    EXPECT_EQ(starts, (std::vector<int>{0, 3, 7}));
    EXPECT_EQ(glyphs[6]->rect, (Rect{15, 18, 20, 36}));
    EXPECT_EQ(glyphs[7]->rect, (Rect{0, 36, 5, 54}));

    // A glyph alone on its line stays there, even in a view of no width: no empty lines.
    GlyphList narrow = MakeGlyphs(L"abc");
    LayoutGlyphs(narrow, starts, 0, Multiline(0));
    EXPECT_EQ(starts, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(narrow[0]->rect, (Rect{0, 0, 5, 18}));
    EXPECT_EQ(narrow[2]->rect, (Rect{0, 36, 5, 54}));
}

TEST(TextLayoutTest, ALineIsAsTallAsItsTallestGlyph) {
    // The tall "W" wraps onto the second line, which is then 30 high.
    GlyphList glyphs = MakeGlyphs(L"aa W\nb");
    std::vector<int> starts;
    Rect extent = LayoutGlyphs(glyphs, starts, 0, Multiline(14));
    EXPECT_EQ(starts, (std::vector<int>{0, 3, 5}));
    EXPECT_EQ(glyphs[3]->rect, (Rect{0, 18, 5, 48}));
    EXPECT_EQ(glyphs[5]->rect, (Rect{1, 48, 6, 66}));
    EXPECT_EQ(extent, (Rect{0, 0, 13, 66}));
}

TEST(TextLayoutTest, ASingleLineIgnoresBreaksAndWidth) {
    GlyphList glyphs = MakeGlyphs(L"ab\ncd e");
    std::vector<int> starts{0, 3};
    Rect extent = LayoutGlyphs(glyphs, starts, 0, TextLayoutRules{false, 4, 16});
    EXPECT_EQ(starts, (std::vector<int>{0}));
    EXPECT_EQ(extent, (Rect{0, 0, 29, 18}));
    EXPECT_EQ(glyphs[2]->rect, (Rect{10, 0, 11, 1}));
    EXPECT_EQ(glyphs[3]->rect, (Rect{11, 0, 16, 18}));

    GlyphList none;
    EXPECT_EQ(LayoutGlyphs(none, starts, 0, Multiline(100)), Rect{});
    EXPECT_EQ(starts, (std::vector<int>{0}));
}

TEST(TextLayoutTest, ALayoutFromTheMiddleMatchesOneFromTheStart) {
    // Each case edits a laid-out text at a position and lays it out again from there.
    struct {
        const wchar_t* text;
        int position;
        const wchar_t* inserted; // empty: delete one glyph at the position instead
        bool multiline;
    } cases[] = {
        {L"ab\ncd", 3, L"x", true},      // typing at the start of the second line
        {L"ab\ncd", 5, L"x", true},      // at the end
        {L"aa W\nbb", 6, L"y", true},    // below a tall line
        {L"aaa bb cc", 9, L"ccc", true}, // the last word grows past the edge
        {L"aaa bb cc", 8, L"", true},    // deleting at the end of the text
        {L"ab\r\ncd", 4, L"", true},     // deleting after the breaks
        {L"ab\ncd e", 5, L"x", false},   // a single line holding a line feed
    };
    for (auto c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)) + " at " +
                     std::to_string(c.position));
        TextLayoutRules rules{c.multiline, 40, 16};
        GlyphList edited = MakeGlyphs(c.text);
        std::vector<int> starts;
        LayoutGlyphs(edited, starts, 0, rules);
        std::wstring text = c.text;
        if (*c.inserted) {
            GlyphList inserted = MakeGlyphs(c.inserted);
            edited.insert(edited.begin() + c.position, std::make_move_iterator(inserted.begin()),
                          std::make_move_iterator(inserted.end()));
            text.insert(c.position, c.inserted);
        } else {
            edited.erase(edited.begin() + c.position);
            text.erase(c.position, 1);
        }
        Rect incremental = LayoutGlyphs(edited, starts, c.position, rules);

        GlyphList fresh = MakeGlyphs(text);
        std::vector<int> freshStarts;
        EXPECT_EQ(incremental, LayoutGlyphs(fresh, freshStarts, 0, rules));
        EXPECT_EQ(starts, freshStarts);
        EXPECT_EQ(Rects(edited), Rects(fresh));
    }
}

TEST(TextLayoutTest, VisibleLinesAreFoundByTheirTops) {
    GlyphList glyphs = MakeGlyphs(L"aa\nbb\ncc\ndd\n");
    std::vector<int> starts;
    LayoutGlyphs(glyphs, starts, 0, Multiline(100)); // lines at 0, 18, 36 and 54, then an empty one
    struct {
        int top, bottom, first, last;
    } cases[] = {{0, 18, 0, 0},    {20, 40, 1, 2},   {18, 19, 1, 1},
                 {-50, 500, 0, 3}, {100, 200, 3, 3}, {-50, 0, 0, -1}};
    for (auto c : cases) {
        SCOPED_TRACE(std::to_string(c.top) + " … " + std::to_string(c.bottom));
        VisibleLines lines = FindVisibleLines(glyphs, starts, c.top, c.bottom);
        EXPECT_EQ(lines.first, c.first);
        EXPECT_EQ(lines.last, c.last);
    }
    GlyphList none;
    VisibleLines empty = FindVisibleLines(none, std::vector<int>{0}, 0, 100);
    EXPECT_LT(empty.last, empty.first);
}

} // namespace
