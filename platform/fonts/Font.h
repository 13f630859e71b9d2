// System fonts for the text rasteriser: a face found by name, sized by its cell height, with the
// text metrics, character widths and glyph outlines that the rasteriser reads, in the shapes and
// units GDI gives them (TEXTMETRIC fields, ABC widths, GGO_NATIVE outlines in 16.16 fixed point).
//
// There is one implementation, over FreeType and fontconfig (FreeTypeFont.cpp). Fonts need no
// display, so the same code serves the program and the headless tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// The text metrics of a font, named as in GDI's TEXTMETRIC. The cell is tmHeight pixels high:
// tmAscent above the baseline and tmDescent below it.
struct FontMetrics {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmExternalLeading = 0;
    int tmWeight = 0;
    bool tmItalic = false;
    bool tmUnderlined = false;
};

// A character's widths as GDI's ABC: the pen moves by abcA before the glyph's black box, abcB
// across it and abcC after it; abcA + abcB + abcC is the advance.
struct CharWidths {
    int abcA = 0;
    unsigned abcB = 0;
    int abcC = 0;

    int Advance() const { return abcA + static_cast<int>(abcB) + abcC; }
};

// A glyph's black box and cell increment, as GDI's GLYPHMETRICS (y grows upwards; the origin is
// the pen position on the baseline).
struct GlyphMetrics {
    unsigned gmBlackBoxX = 0;
    unsigned gmBlackBoxY = 0;
    int gmptGlyphOriginX = 0;
    int gmptGlyphOriginY = 0;
    int gmCellIncX = 0;
    int gmCellIncY = 0;
};

// The layout of a glyph outline buffer (GDI's GGO_NATIVE). The buffer is a sequence of polygons;
// each starts with a PolygonHeader whose `cb` counts the header and all its curve records, and
// whose `start` is the contour's first point, on the curve. Each PolyCurve record continues the
// contour from where the previous one (or the start) ended: a line record draws straight lines
// through its points; a quadratic-spline record holds B-spline control points, all off the curve
// but the last, which is on it (between two consecutive control points lies an implied on-curve
// point, their midpoint). The contour closes back to `start`. Every value is little-endian;
// coordinates are 16.16 fixed point (a FIXED's fraction in the low 16 bits, its signed integer
// part in the high 16), relative to the pen position, y growing upwards.
inline constexpr uint32_t kPolygonType = 24;          // TT_POLYGON_TYPE
inline constexpr uint16_t kPrimitiveLine = 1;         // TT_PRIM_LINE
inline constexpr uint16_t kPrimitiveQSpline = 2;      // TT_PRIM_QSPLINE
inline constexpr uint16_t kPrimitiveCSpline = 3;      // TT_PRIM_CSPLINE, never produced
inline constexpr uint32_t kOutlineError = 0xFFFFFFFF; // GDI_ERROR

struct PointFx {
    int32_t x = 0;
    int32_t y = 0;
};
struct PolygonHeader {
    uint32_t cb = 0;
    uint32_t dwType = kPolygonType;
    PointFx start;
};
struct PolyCurveHeader {
    uint16_t wType = 0;
    uint16_t cpfx = 0;
    // followed by cpfx PointFx values
};
static_assert(sizeof(PointFx) == 8 && sizeof(PolygonHeader) == 16 && sizeof(PolyCurveHeader) == 4,
              "the outline records keep GDI's byte layout");

// The real value of a 16.16 fixed-point number.
inline double FixedToDouble(int32_t value) {
    return static_cast<int16_t>(static_cast<uint32_t>(value) >> 16) +
           (static_cast<uint32_t>(value) & 0xFFFF) / 65536.0;
}

class Font {
public:
    // The face that fontconfig finds for the name (a name it does not know falls back to a close
    // face, "Arial" to a metric-compatible one), preferring faces that cover Russian.
    //  - height > 0: the cell height in pixels (ascent + descent = height);
    //  - height < 0: the character height (the em) is −height pixels;
    //  - height = 0: a cell of 16 pixels.
    // weight is 700 for bold, 400 for normal; a face without the asked weight or slant is
    // emboldened or slanted. `underline` is recorded in the metrics only: the rasteriser draws
    // underlines itself. Null when no face can be loaded at all.
    static std::unique_ptr<Font> Create(const std::wstring& faceName, int height, int weight,
                                        bool italic, bool underline);

    virtual ~Font() = default;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    virtual const FontMetrics& Metrics() const = 0;
    // The family of the face that was loaded, as the face names itself ("Liberation Sans").
    virtual std::string FamilyName() const = 0;

    // The widths of one UTF-16 code unit. A unit the face has no glyph for gets the widths of the
    // face's missing-glyph symbol. False only when the glyph cannot be loaded.
    virtual bool GetCharABCWidths(char16_t character, CharWidths& widths) = 0;

    // The unhinted outline of one UTF-16 code unit in the GGO_NATIVE layout above, with the glyph's
    // metrics. With no buffer (or size 0) it returns the bytes the outline needs; otherwise it
    // fills the buffer and returns the bytes written. kOutlineError when the glyph cannot be
    // loaded or the outline does not fit into `size` bytes. A glyph without contours (a space)
    // has an outline of 0 bytes.
    virtual uint32_t GetGlyphOutline(char16_t character, GlyphMetrics& metrics, uint8_t* buffer,
                                     uint32_t size) = 0;

protected:
    Font() = default;
};

} // namespace platform
