// The text view's glyph record and its layout: where each glyph of a text goes, line by line,
// with line feeds, carriage returns and word wrap, and which glyphs begin a line.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One character of a text view: its picture in the texture registry, the style the picture was
// made in, and its place in the text's own coordinates (the text's top-left at 0, 0).
struct Glyph {
    int textureId = 0;
    wchar_t ch = 0;
    platform::Rect rect;
    uint32_t color = 0;
    bool underline = false;
    bool bold = false;
    bool italic = false;
    int size = 0;
    std::wstring fontName;
    // The picture's name in the texture registry.
    std::wstring key;
    uint32_t backColor = 0;
    // The picture is a whitespace marker.
    bool marker = false;
    // The picture's size, read from the registry when the picture was assigned.
    int pictureWidth = 0;
    int pictureHeight = 0;
};

using GlyphList = std::vector<std::unique_ptr<Glyph>>;

struct TextLayoutRules {
    // Line feeds and carriage returns break lines, and lines wrap at `width`.
    bool multiline = false;
    int width = 0;
    // The least height of a line, and the height of an empty one.
    int lineHeight = 16;
};

// Places the glyphs from `first` on (in multiple lines from the start of the line before the
// one holding `first`, whose end may change with it), keeping the glyphs before where they are,
// and brings `lineStarts` (the index of the first glyph of every line, ascending, starting with
// 0) up to date. Returns the extent of the text: (0, 0, right of the rightmost glyph, bottom of
// the last line).
//
// A single line puts every glyph after the previous one at y = 0. Multiple lines go down by the
// height of the line (its tallest glyph, at least lineHeight): after a line feed the next line
// starts at the line feed's width, after a carriage return at twice its width; a glyph that
// would end past `width` wraps the line after its word's last space (the word moves down with
// it), or, in a word with no space before it on this line, before the glyph itself. A glyph
// alone on its line stays there however wide it is.
//
// Laying out from `first` gives the places a layout from 0 would give, as long as the glyphs
// before `first` have not changed since they were laid out.
platform::Rect LayoutGlyphs(GlyphList& glyphs, std::vector<int>& lineStarts, int first,
                            const TextLayoutRules& rules);

// The first and last line (indices into lineStarts) with glyphs between the text coordinates
// top (inclusive) and bottom (exclusive), found by bisection over the tops of the lines' first
// glyphs. last < first when no line is there.
struct VisibleLines {
    int first = 0;
    int last = -1;
};
VisibleLines FindVisibleLines(const GlyphList& glyphs, const std::vector<int>& lineStarts, int top,
                              int bottom);
