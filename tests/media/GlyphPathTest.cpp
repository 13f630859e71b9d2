// Building glyph paths from native outline bytes: move, line and curve vertices, spline midpoints,
// the descent shift, the underline bar, and outlines that break their own size rules.
#include "media/GlyphPath.h"

#include "platform/fonts/Font.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

namespace {

int32_t Fixed(double value) {
    return static_cast<int32_t>(value * 65536);
}

// Writes outline records as a font does.
class OutlineBytes {
public:
    void Polygon(double x, double y) {
        polygon_ = bytes_.size();
        platform::PolygonHeader header;
        header.start = {Fixed(x), Fixed(y)};
        Append(&header, sizeof header);
        Close();
    }
    void Curve(uint16_t type, std::initializer_list<std::pair<double, double>> points) {
        platform::PolyCurveHeader curve{type, static_cast<uint16_t>(points.size())};
        Append(&curve, sizeof curve);
        for (auto [x, y] : points) {
            platform::PointFx p{Fixed(x), Fixed(y)};
            Append(&p, sizeof p);
        }
        Close();
    }
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    void Append(const void* data, size_t size) {
        auto* from = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), from, from + size);
    }
    void Close() {
        uint32_t cb = static_cast<uint32_t>(bytes_.size() - polygon_);
        std::memcpy(bytes_.data() + polygon_, &cb, sizeof cb);
    }
    std::vector<uint8_t> bytes_;
    size_t polygon_ = 0;
};

struct Vertex {
    GlyphPath::Command command;
    double x, y;
};

void ExpectPath(const GlyphPath& path, const std::vector<Vertex>& expected) {
    ASSERT_EQ(path.VertexCount(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(path.CommandAt(i), expected[i].command);
        if (expected[i].command != GlyphPath::EndPolygon &&
            expected[i].command != GlyphPath::Stop) {
            EXPECT_DOUBLE_EQ(path.XAt(i), expected[i].x);
            EXPECT_DOUBLE_EQ(path.YAt(i), expected[i].y);
        }
    }
}

TEST(GlyphPathTest, LinesSplinesAndTheDescentShift) {
    OutlineBytes outline;
    outline.Polygon(1, 0);
    outline.Curve(platform::kPrimitiveLine, {{5, 0}, {5, 2.5}});
    // Four spline points: the first two curves end at the midpoints of consecutive control
    // points, the last at the record's own last point.
    outline.Curve(platform::kPrimitiveQSpline, {{5, 8}, {3, 10}, {1, 8}, {1, 4}});
    outline.Curve(platform::kPrimitiveCSpline, {{7, 7}, {8, 8}, {9, 9}}); // ignored
    outline.Polygon(2, 1);
    outline.Curve(platform::kPrimitiveQSpline, {{3, 1}, {3, 2}});
    const std::vector<uint8_t>& bytes = outline.Bytes();

    GlyphPath path =
        BuildGlyphPath(bytes.data(), static_cast<uint32_t>(bytes.size()), 3, 6, 18, false);
    EXPECT_EQ(path.advance, 6);
    EXPECT_EQ(path.lineHeight, 18);
    using C = GlyphPath;
    ExpectPath(path, {{C::MoveTo, 1, 3},
                      {C::LineTo, 5, 3},
                      {C::LineTo, 5, 5.5},
                      {C::Curve3, 5, 11},
                      {C::Curve3, 4, 12},
                      {C::Curve3, 3, 13},
                      {C::Curve3, 2, 12},
                      {C::Curve3, 1, 11},
                      {C::Curve3, 1, 7},
                      {C::EndPolygon, 0, 0},
                      {C::MoveTo, 2, 4},
                      {C::Curve3, 3, 4},
                      {C::Curve3, 3, 5},
                      {C::EndPolygon, 0, 0},
                      {C::Stop, 0, 0}});
    EXPECT_EQ(static_cast<int>(GlyphPath::EndPolygon), 0x0F | 0x40 | 0x10);
}

TEST(GlyphPathTest, UnderlineIsABarFromAFifteenthToHalfTheDescent) {
    // No outline (a space, or one too large): only the bar.
    GlyphPath path = BuildGlyphPath(nullptr, platform::kOutlineError, 3, 7, 18, true);
    using C = GlyphPath;
    ExpectPath(path, {{C::MoveTo, 0, 1.5},
                      {C::LineTo, 7, 1.5},
                      {C::LineTo, 7, 0.2},
                      {C::LineTo, 0, 0.2},
                      {C::EndPolygon, 0, 0},
                      {C::Stop, 0, 0}});
    ExpectPath(BuildGlyphPath(nullptr, 0, 3, 7, 18, false), {{C::Stop, 0, 0}});
}

TEST(GlyphPathTest, RecordsThatDoNotFitEndTheWalk) {
    OutlineBytes outline;
    outline.Polygon(1, 1);
    outline.Curve(platform::kPrimitiveLine, {{2, 1}, {2, 2}});
    std::vector<uint8_t> bytes = outline.Bytes();
    using C = GlyphPath;

    // The line record claims more points than its polygon holds.
    std::vector<uint8_t> overlong = bytes;
    overlong[16 + 2] = 200;
    ExpectPath(
        BuildGlyphPath(overlong.data(), static_cast<uint32_t>(overlong.size()), 0, 3, 4, false),
        {{C::MoveTo, 1, 1}, {C::EndPolygon, 0, 0}, {C::Stop, 0, 0}});

    // The polygon claims more bytes than the outline has: nothing of it is drawn.
    std::vector<uint8_t> truncated(bytes.begin(), bytes.end() - 4);
    ExpectPath(
        BuildGlyphPath(truncated.data(), static_cast<uint32_t>(truncated.size()), 0, 3, 4, false),
        {{C::Stop, 0, 0}});
}

} // namespace
