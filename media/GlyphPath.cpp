// Turning a glyph's native outline into a path: polygons become closed figures, line records
// straight segments, and quadratic B-splines a chain of curves through the midpoints of their
// consecutive control points.
#include "media/GlyphPath.h"

#include "media/FontRegistry.h"

#include <cstring>

namespace {

constexpr size_t kInitialVertices = 256;

template <class T> bool Read(const uint8_t* bytes, size_t end, size_t offset, T& value) {
    if (offset > end || end - offset < sizeof(T))
        return false;
    std::memcpy(&value, bytes + offset, sizeof(T));
    return true;
}

// The average of two 16.16 values, in 16.16.
int32_t FixedMidpoint(int32_t a, int32_t b) {
    return static_cast<int32_t>((static_cast<int64_t>(a) + b) / 2);
}

} // namespace

GlyphPath::GlyphPath() {
    Reserve(kInitialVertices);
}

void GlyphPath::Reserve(size_t vertices) {
    commands.reserve(vertices);
    coordinates.reserve(2 * vertices);
}

void GlyphPath::Add(Command command, double x, double y) {
    commands.push_back(command);
    coordinates.push_back(x);
    coordinates.push_back(y);
}

void GlyphPath::rewind(unsigned) {
    next_ = 0;
}

unsigned GlyphPath::vertex(double* x, double* y) {
    if (next_ >= commands.size())
        return Stop;
    *x = coordinates[2 * next_];
    *y = coordinates[2 * next_ + 1];
    return commands[next_++];
}

GlyphPath BuildGlyphPath(const uint8_t* outline, uint32_t size, int descent, int advance,
                         int lineHeight, bool underline) {
    GlyphPath path;
    path.advance = advance;
    path.lineHeight = lineHeight;
    path.underline = underline;
    const double d = descent;
    auto add = [&](GlyphPath::Command command, platform::PointFx p) {
        path.Add(command, platform::FixedToDouble(p.x), platform::FixedToDouble(p.y) + d);
    };

    if (size != platform::kOutlineError && outline) {
        path.Reserve(kInitialVertices + size / 8);
        // A record that does not fit where its header says ends the walk: what came before is
        // drawn, nothing is read beyond the buffer.
        size_t polygon = 0;
        platform::PolygonHeader header;
        while (Read(outline, size, polygon, header) && header.cb >= sizeof header &&
               header.cb <= size - polygon) {
            size_t end = polygon + header.cb;
            add(GlyphPath::MoveTo, header.start);
            size_t record = polygon + sizeof header;
            platform::PolyCurveHeader curve;
            while (Read(outline, end, record, curve)) {
                size_t points = record + sizeof curve;
                if ((end - points) / sizeof(platform::PointFx) < curve.cpfx)
                    break;
                auto point = [&](size_t i) {
                    platform::PointFx p;
                    std::memcpy(&p, outline + points + i * sizeof p, sizeof p);
                    return p;
                };
                const size_t n = curve.cpfx;
                if (curve.wType == platform::kPrimitiveLine) {
                    for (size_t i = 0; i < n; ++i)
                        add(GlyphPath::LineTo, point(i));
                } else if (curve.wType == platform::kPrimitiveQSpline) {
                    for (size_t u = 0; u + 1 < n; ++u) {
                        platform::PointFx control = point(u);
                        platform::PointFx end = point(u + 1);
                        if (u + 2 < n)
                            end = {FixedMidpoint(control.x, end.x),
                                   FixedMidpoint(control.y, end.y)};
                        add(GlyphPath::Curve3, control);
                        add(GlyphPath::Curve3, end);
                    }
                }
                record = points + n * sizeof(platform::PointFx);
            }
            path.Add(GlyphPath::EndPolygon, 0, 0);
            polygon = end;
        }
    }

    if (underline) {
        const double top = d * 0.5;
        const double bottom = d / 15;
        path.Add(GlyphPath::MoveTo, 0, top);
        path.Add(GlyphPath::LineTo, advance, top);
        path.Add(GlyphPath::LineTo, advance, bottom);
        path.Add(GlyphPath::LineTo, 0, bottom);
        path.Add(GlyphPath::EndPolygon, 0, 0);
    }
    path.Add(GlyphPath::Stop, 0, 0);
    return path;
}

GlyphPath BuildGlyphPath(int fontIndex, FontRecord& font, wchar_t character, bool underline) {
    const int advance = font.CharWidths(character).Advance();
    uint32_t size = 0;
    const std::vector<uint8_t>& outline = font.Outline(character, size);
    GlyphPath path = BuildGlyphPath(outline.data(), size, font.metrics.tmDescent, advance,
                                    font.metrics.tmHeight, underline);
    path.fontIndex = fontIndex;
    path.faceName = font.faceName;
    path.height = font.height;
    path.bold = font.bold;
    path.italic = font.italic;
    return path;
}
