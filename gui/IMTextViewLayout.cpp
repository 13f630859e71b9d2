// Laying glyphs out in lines, and finding the lines that a clip rectangle shows.
#include "gui/IMTextViewLayout.h"

#include <algorithm>

using platform::Rect;

namespace {

bool BreaksLine(wchar_t c) {
    return c == L'\n' || c == L'\r';
}

// Where the pen goes on the new line after a line feed or carriage return of width w.
int PenAfterBreak(wchar_t c, int w) {
    return c == L'\n' ? w : 2 * w;
}

} // namespace

Rect LayoutGlyphs(GlyphList& glyphs, std::vector<int>& lineStarts, int first,
                  const TextLayoutRules& rules) {
    const int count = static_cast<int>(glyphs.size());
    first = std::clamp(first, 0, count);
    if (rules.multiline && first > 0) {
        // A change in a line can move the start of its first word back onto the line before, so
        // the layout restarts at the beginning of that line.
        auto line = std::upper_bound(lineStarts.begin(), lineStarts.end(), first);
        ptrdiff_t previous = (line - lineStarts.begin()) - 2;
        first = previous > 0 ? std::min(lineStarts[previous], first) : 0;
    }
    if (first == 0) {
        lineStarts.assign(1, 0);
    } else {
        lineStarts.erase(std::lower_bound(lineStarts.begin(), lineStarts.end(), first),
                         lineStarts.end());
        if (lineStarts.empty())
            lineStarts.push_back(0);
    }

    int x = 0, y = 0;
    int h = rules.lineHeight;
    int lineStart = 0;
    int lastSpace = count; // none
    int bottom = 0;
    Rect extent;
    // Kept line starts after 0, in order, met again while walking the glyphs already placed.
    size_t nextKeptStart = 1;

    for (int j = 0; j < count; ++j) {
        Glyph& glyph = *glyphs[j];
        const wchar_t c = glyph.ch;
        const int w = glyph.pictureWidth;
        const int g = glyph.pictureHeight;
        if (c == L' ')
            lastSpace = j;

        if (j < first) {
            // Already placed: only the pen, the line's height and the extent follow it.
            const Rect& r = glyph.rect;
            if (rules.multiline && nextKeptStart < lineStarts.size() &&
                lineStarts[nextKeptStart] == j) {
                ++nextKeptStart;
                lineStart = j;
                h = rules.lineHeight;
            }
            h = std::max(h, g);
            x = r.right;
            y = r.top;
            if (rules.multiline && BreaksLine(c)) {
                y = r.top + h;
                x = PenAfterBreak(c, w);
                h = rules.lineHeight;
                lineStart = j + 1;
                // The start after the last kept glyph was dropped with the others; it stands.
                if (j + 1 == first)
                    lineStarts.push_back(j + 1);
            }
            extent.right = std::max(extent.right, r.right);
            extent.bottom = std::max(extent.bottom, r.bottom);
            bottom = y + h;
            continue;
        }

        if (!rules.multiline) {
            glyph.rect = Rect{x, 0, x + w, g};
            extent.right += w;
            extent.bottom = std::max(extent.bottom, g);
            x += w;
            continue;
        }

        if (x + w > rules.width && j > lineStart) {
            // The line is full.
            y += h;
            x = 0;
            int start = j;
            if (lastSpace >= lineStart && lastSpace < j) {
                start = lastSpace + 1;
                lastSpace = count;
            }
            lineStarts.push_back(start);
            lineStart = start;
            // The new line is as tall as the glyphs that moved onto it.
            h = rules.lineHeight;
            for (int k = start; k <= j; ++k) {
                Glyph& moved = *glyphs[k];
                moved.rect = Rect{x, y, x + moved.pictureWidth, y + moved.pictureHeight};
                x += moved.pictureWidth;
                h = std::max(h, moved.pictureHeight);
            }
        } else {
            // The line's height counts the glyph only once it is known to stay on the line.
            h = std::max(h, g);
            glyph.rect = Rect{x, y, x + w, y + g};
            x += w;
        }
        // A line break that wrapped onto the next line still breaks it.
        if (BreaksLine(c)) {
            y += h;
            x = PenAfterBreak(c, w);
            h = rules.lineHeight;
            lineStart = j + 1;
            lineStarts.push_back(j + 1);
        }
        bottom = y + h;
    }

    if (rules.multiline) {
        // Words that wrapped took their earlier places with them, so the right edge is taken from
        // where the glyphs are now.
        int largestRight = 0;
        for (const auto& glyph : glyphs)
            largestRight = std::max(largestRight, glyph->rect.right);
        extent = Rect{0, 0, largestRight, bottom};
    }
    return extent;
}

VisibleLines FindVisibleLines(const GlyphList& glyphs, const std::vector<int>& lineStarts, int top,
                              int bottom) {
    const int count = static_cast<int>(glyphs.size());
    // Lines that hold glyphs (a text ending in a line break has an empty last line).
    auto end = std::lower_bound(lineStarts.begin(), lineStarts.end(), count);
    auto lineTop = [&](int start) { return glyphs[start]->rect.top; };
    VisibleLines lines;
    if (end == lineStarts.begin() || top >= bottom)
        return lines;
    // The last line starting at or above the clip's top reaches into it; lines above it do not.
    auto firstAfterTop = std::upper_bound(
        lineStarts.begin(), end, top, [&](int value, int start) { return value < lineTop(start); });
    lines.first = static_cast<int>(std::max(firstAfterTop - lineStarts.begin() - 1, ptrdiff_t{0}));
    // The last line starting above the clip's bottom.
    auto firstBelow = std::lower_bound(lineStarts.begin(), end, bottom, [&](int start, int value) {
        return lineTop(start) < value;
    });
    lines.last = static_cast<int>(firstBelow - lineStarts.begin()) - 1;
    return lines;
}
