// The printing contexts' one font, measured with cairo so that the real printer
// and the headless twin agree on every width. Internal to platform/print/.
#pragma once

#include "platform/print/PrintContext.h"

#include <string>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_font_options cairo_font_options_t;

namespace platform {

class PrintFont {
public:
    // The face and its size in device pixels (12 points at the print
    // resolution). Liberation Sans carries Cyrillic; fontconfig substitutes a
    // close face where it is missing.
    static constexpr const char* kFaceName = "Liberation Sans";
    static constexpr double kPixelSize = 12.0 * kPrintDotsPerInch / 72.0;

    PrintFont();
    ~PrintFont();
    PrintFont(const PrintFont&) = delete;
    PrintFont& operator=(const PrintFont&) = delete;

    const TextMetrics& Metrics() const { return metrics_; }
    int Advance(const std::wstring& text) const;

    // Sets the face, size and options on a drawing context whose user units
    // are device pixels, so that drawn text matches what was measured.
    void Apply(cairo_t* context) const;

private:
    cairo_surface_t* surface_ = nullptr;
    cairo_t* measure_ = nullptr;
    cairo_font_options_t* options_ = nullptr;
    TextMetrics metrics_;
};

} // namespace platform
