// Measuring the printing font with cairo, hinting off so that advances do not
// depend on the surface they are drawn on.
#include "platform/print/PrintFont.h"

#include "platform/TextCodec.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace platform {

PrintFont::PrintFont() {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    measure_ = cairo_create(surface_);
    options_ = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options_, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options_, CAIRO_HINT_STYLE_NONE);
    Apply(measure_);

    cairo_font_extents_t font;
    cairo_font_extents(measure_, &font);
    metrics_.tmAscent = static_cast<int>(std::lround(font.ascent));
    metrics_.tmDescent = static_cast<int>(std::lround(font.descent));
    metrics_.tmHeight = metrics_.tmAscent + metrics_.tmDescent;
    metrics_.tmExternalLeading =
        std::max(0, static_cast<int>(std::lround(font.height)) - metrics_.tmHeight);
    // GDI defines the average width as the width of "x" for fonts without
    // their own figure; using it keeps the number independent of font tables.
    metrics_.tmAveCharWidth = std::max(1, Advance(L"x"));
}

PrintFont::~PrintFont() {
    cairo_font_options_destroy(options_);
    cairo_destroy(measure_);
    cairo_surface_destroy(surface_);
}

void PrintFont::Apply(cairo_t* context) const {
    cairo_select_font_face(context, kFaceName, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(context, kPixelSize);
    cairo_set_font_options(context, options_);
}

int PrintFont::Advance(const std::wstring& text) const {
    if (text.empty())
        return 0;
    const std::string utf8 = WideToUtf8(text);
    cairo_text_extents_t extents;
    cairo_text_extents(measure_, utf8.c_str(), &extents);
    return static_cast<int>(std::lround(extents.x_advance));
}

} // namespace platform
