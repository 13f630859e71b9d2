// The media object's font registry: the fonts made for text textures, in creation order, each
// with the per-character widths and outlines asked of it so far.
#pragma once

#include "platform/fonts/Font.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The largest outline a glyph may have; a bigger one is treated as having none.
inline constexpr uint32_t kOutlineBufferSize = 16352;

// One font, made on first use with the style it was asked for. The caches only grow: the font is
// asked once per character for its widths and once for its outline.
struct FontRecord {
    std::wstring faceName;
    int height = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    platform::FontMetrics metrics;
    std::map<wchar_t, platform::CharWidths> abcWidths;
    std::map<wchar_t, platform::GlyphMetrics> glyphMetrics;
    // The outline bytes (GGO_NATIVE layout), as many as the font returned.
    std::map<wchar_t, std::vector<uint8_t>> outlines;
    // The size the font returned for the outline, or platform::kOutlineError.
    std::map<wchar_t, uint32_t> outlineSizes;
    // Null when no face could be loaded: such a font has zero metrics and no outlines.
    std::unique_ptr<platform::Font> font;

    // The character's ABC widths (all zero when the font cannot give them).
    const platform::CharWidths& CharWidths(wchar_t character);
    // The character's outline bytes; `size` becomes the size the font returned, which is
    // kOutlineError when there is no outline or it is larger than kOutlineBufferSize.
    const std::vector<uint8_t>& Outline(wchar_t character, uint32_t& size);
};

struct FontRegistry {
    // Fonts in creation order; a font's index never changes.
    std::vector<std::unique_ptr<FontRecord>> fontList;

    // The index of the first font with this face, height, boldness and slant; the underline flag
    // is not compared, as underlines are drawn by the rasteriser, not by the font. A font that is
    // not there yet is made and appended.
    int GetFont(const std::wstring& faceName, int height, bool bold, bool italic, bool underline);
};
