// Fonts: faces by name, cell sizing and GDI's metrics, widths, and the native outline layout.
#include "platform/fonts/Font.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using platform::Font;

namespace {

struct Record {
    uint16_t type;
    std::vector<platform::PointFx> points;
};
struct Polygon {
    platform::PointFx start;
    std::vector<Record> records;
};

// Reads an outline buffer back, failing the test when a record does not fit its polygon.
std::vector<Polygon> ParseOutline(const std::vector<uint8_t>& bytes) {
    std::vector<Polygon> polygons;
    size_t offset = 0;
    while (offset < bytes.size()) {
        platform::PolygonHeader header;
        EXPECT_LE(offset + sizeof header, bytes.size());
        std::memcpy(&header, bytes.data() + offset, sizeof header);
        EXPECT_EQ(header.dwType, platform::kPolygonType);
        EXPECT_LE(offset + header.cb, bytes.size());
        Polygon polygon{header.start, {}};
        size_t record = offset + sizeof header;
        while (record < offset + header.cb) {
            platform::PolyCurveHeader curve;
            std::memcpy(&curve, bytes.data() + record, sizeof curve);
            Record r{curve.wType, std::vector<platform::PointFx>(curve.cpfx)};
            std::memcpy(r.points.data(), bytes.data() + record + sizeof curve,
                        curve.cpfx * sizeof(platform::PointFx));
            polygon.records.push_back(r);
            record += sizeof curve + curve.cpfx * sizeof(platform::PointFx);
        }
        EXPECT_EQ(record, offset + header.cb);
        polygons.push_back(polygon);
        offset += header.cb;
        if (header.cb == 0)
            break;
    }
    return polygons;
}

std::vector<uint8_t> Outline(Font& font, char16_t character, platform::GlyphMetrics& metrics) {
    uint32_t size = font.GetGlyphOutline(character, metrics, nullptr, 0);
    EXPECT_NE(size, platform::kOutlineError);
    std::vector<uint8_t> bytes(size);
    if (size > 0) {
        EXPECT_EQ(font.GetGlyphOutline(character, metrics, bytes.data(), size), size);
    }
    return bytes;
}

TEST(FontTest, ArialIsAMetricCompatibleFaceWhoseCellIsTheRequestedHeight) {
    // Ascent and descent of Arial's design scaled to the cell, each rounded.
    struct {
        int height, ascent, descent;
    } cases[] = {{16, 13, 3}, {18, 15, 3}, {20, 16, 4}, {30, 24, 6}};
    for (auto c : cases) {
        SCOPED_TRACE(c.height);
        auto font = Font::Create(L"Arial", c.height, 400, false, false);
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(font->FamilyName(), "Liberation Sans");
        const platform::FontMetrics& m = font->Metrics();
        EXPECT_EQ(m.tmHeight, c.height);
        EXPECT_EQ(m.tmAscent, c.ascent);
        EXPECT_EQ(m.tmDescent, c.descent);
        EXPECT_EQ(m.tmWeight, 400);
        EXPECT_GT(m.tmAveCharWidth, 0);
        EXPECT_LT(m.tmAveCharWidth, c.height);
        EXPECT_GE(m.tmExternalLeading, 0);
        EXPECT_LE(m.tmExternalLeading, 2);
    }
}

TEST(FontTest, CharacterHeightSizesTheEmInstead) {
    // The em is 2048 of Arial's 2288 cell units.
    auto font = Font::Create(L"Arial", -18, 400, false, false);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Metrics().tmHeight, 20);
}

TEST(FontTest, BoldAndItalicFindTheirFaces) {
    auto regular = Font::Create(L"Arial", 18, 400, false, false);
    auto bold = Font::Create(L"Arial", 18, 700, false, false);
    auto italic = Font::Create(L"Arial", 18, 400, true, true);
    ASSERT_TRUE(regular && bold && italic);
    EXPECT_EQ(bold->Metrics().tmWeight, 700);
    EXPECT_TRUE(italic->Metrics().tmItalic);
    EXPECT_TRUE(italic->Metrics().tmUnderlined);

    platform::CharWidths r, b;
    ASSERT_TRUE(regular->GetCharABCWidths(u'm', r));
    ASSERT_TRUE(bold->GetCharABCWidths(u'm', b));
    EXPECT_GT(b.abcB, r.abcB);

    // The italic stem of "l" leans: its outline's top lies further right than its bottom.
    platform::GlyphMetrics upright, slanted;
    Outline(*regular, u'l', upright);
    Outline(*italic, u'l', slanted);
    EXPECT_GT(slanted.gmBlackBoxX, upright.gmBlackBoxX + 1);
}

TEST(FontTest, WidthsAddUpToTheAdvance) {
    auto font = Font::Create(L"Arial", 18, 400, false, false);
    ASSERT_NE(font, nullptr);
    for (char16_t c : std::u16string(u"AjW ж.")) {
        SCOPED_TRACE(static_cast<int>(c));
        platform::CharWidths abc;
        platform::GlyphMetrics glyph;
        ASSERT_TRUE(font->GetCharABCWidths(c, abc));
        Outline(*font, c, glyph);
        EXPECT_EQ(abc.Advance(), glyph.gmCellIncX);
        EXPECT_EQ(abc.abcA, glyph.gmptGlyphOriginX);
        EXPECT_EQ(abc.abcB, glyph.gmBlackBoxX);
        EXPECT_GT(abc.Advance(), 0);
    }
    platform::CharWidths space, w;
    font->GetCharABCWidths(u' ', space);
    font->GetCharABCWidths(u'W', w);
    EXPECT_EQ(space.abcB, 0u);
    EXPECT_EQ(space.Advance(), 4); // 569 of 2288 units at 18
    EXPECT_EQ(w.Advance(), 15);    // 1933 of 2288 units
}

TEST(FontTest, OutlinesAreContoursOfLinesAndQuadraticSplines) {
    auto font = Font::Create(L"Arial", 30, 400, false, false);
    ASSERT_NE(font, nullptr);

    // "I" is a rectangle: one contour of straight lines through its other three corners.
    platform::GlyphMetrics metrics;
    std::vector<Polygon> i = ParseOutline(Outline(*font, u'I', metrics));
    ASSERT_EQ(i.size(), 1u);
    ASSERT_EQ(i[0].records.size(), 1u);
    EXPECT_EQ(i[0].records[0].type, platform::kPrimitiveLine);
    EXPECT_EQ(i[0].records[0].points.size(), 3u);
    double top = 0;
    for (const auto& p : i[0].records[0].points)
        top = std::max(top, platform::FixedToDouble(p.y));
    top = std::max(top, platform::FixedToDouble(i[0].start.y));
    EXPECT_NEAR(top, 30 * 1409 / 2288.0, 0.01); // the cap height, unhinted
    EXPECT_EQ(metrics.gmptGlyphOriginY, 19);

    // "o" is two closed curves, outer and inner; every spline record ends on the curve and has at
    // least one control point before that.
    std::vector<Polygon> o = ParseOutline(Outline(*font, u'o', metrics));
    ASSERT_EQ(o.size(), 2u);
    for (const Polygon& polygon : o) {
        int splines = 0;
        for (const Record& record : polygon.records) {
            ASSERT_TRUE(record.type == platform::kPrimitiveLine ||
                        record.type == platform::kPrimitiveQSpline);
            if (record.type == platform::kPrimitiveQSpline) {
                ++splines;
                EXPECT_GE(record.points.size(), 2u);
            }
        }
        EXPECT_GT(splines, 0);
        // The contour closes where it started.
        const platform::PointFx end = polygon.records.back().points.back();
        if (polygon.records.back().type == platform::kPrimitiveQSpline) {
            EXPECT_EQ(end.x, polygon.start.x);
            EXPECT_EQ(end.y, polygon.start.y);
        }
    }
}

TEST(FontTest, OutlineSizeRules) {
    auto font = Font::Create(L"Arial", 18, 400, false, false);
    ASSERT_NE(font, nullptr);
    platform::GlyphMetrics metrics;
    // A space has no contours.
    EXPECT_EQ(font->GetGlyphOutline(u' ', metrics, nullptr, 0), 0u);
    EXPECT_EQ(metrics.gmCellIncX, 4);
    // A buffer smaller than the outline is an error, and nothing is written past it.
    uint32_t size = font->GetGlyphOutline(u'Ж', metrics, nullptr, 0);
    ASSERT_GT(size, 16u);
    std::vector<uint8_t> small(size - 1, 0xAB);
    EXPECT_EQ(font->GetGlyphOutline(u'Ж', metrics, small.data(), size - 1),
              platform::kOutlineError);
}

TEST(FontTest, UnknownFacesFallBackToAnInstalledOne) {
    auto font = Font::Create(L"No Such Face 12345", 18, 400, false, false);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Metrics().tmHeight, 18);
    platform::GlyphMetrics metrics;
    EXPECT_GT(font->GetGlyphOutline(u'Я', metrics, nullptr, 0), 0u);
}

} // namespace
