// The path of one glyph: its outline as lines and quadratic curves, with the underline bar, in
// pixels with y growing upwards from the bottom of the font's descent. The rasteriser builds it,
// fills it and discards it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FontRecord;

class GlyphPath {
public:
    // Path commands, with AGG's values.
    enum Command : uint8_t {
        Stop = 0,
        MoveTo = 1,
        LineTo = 2,
        // Two consecutive curve vertices form one quadratic curve: control point, end point.
        Curve3 = 3,
        // End of polygon, closed (0x0F | 0x40 | 0x10).
        EndPolygon = 95,
    };

    GlyphPath();

    void Add(Command command, double x, double y);
    // Room for this many vertices in all.
    void Reserve(size_t vertices);

    size_t VertexCount() const { return commands.size(); }
    Command CommandAt(size_t vertex) const { return static_cast<Command>(commands[vertex]); }
    double XAt(size_t vertex) const { return coordinates[2 * vertex]; }
    double YAt(size_t vertex) const { return coordinates[2 * vertex + 1]; }

    // The vertex source AGG's converters read.
    void rewind(unsigned pathId);
    unsigned vertex(double* x, double* y);

    // The style it was built for.
    int fontIndex = 0;
    std::wstring faceName;
    int height = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    // One byte per vertex, and two coordinates per vertex.
    std::vector<uint8_t> commands;
    std::vector<double> coordinates;
    // A + B + C of the character's widths, and the font's cell height.
    int advance = 0;
    int lineHeight = 0;

private:
    size_t next_ = 0;
};

// The path of the character in the font (the font's caches are filled on the way). A character
// without an outline, or with one too large, gets an empty outline; the underline, when asked, is
// the bar from descent / 15 to descent / 2 across the advance. The path ends with Stop.
GlyphPath BuildGlyphPath(int fontIndex, FontRecord& font, wchar_t character, bool underline);

// The same from outline bytes in the GGO_NATIVE layout (`size` of them, or kOutlineError for
// none), a descent, an advance and a line height.
GlyphPath BuildGlyphPath(const uint8_t* outline, uint32_t size, int descent, int advance,
                         int lineHeight, bool underline);
