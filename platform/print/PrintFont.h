// The printing contexts' one font, measured the way the real printer draws it
// (cairo on Linux, GDI on Windows) so that the real printer and the headless
// twin agree on every width. Internal to platform/print/.
#pragma once

#include "platform/print/PrintContext.h"

#include <string>

#if !defined(_WIN32)
typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_font_options cairo_font_options_t;
#endif

namespace platform {

class PrintFont {
public:
    // The face and its size in device pixels (12 points at the print
    // resolution). Liberation Sans carries Cyrillic; fontconfig substitutes a
    // close face where it is missing.
#if defined(_WIN32)
    static constexpr const wchar_t* kFaceName = L"Arial";
#else
    static constexpr const char* kFaceName = "Liberation Sans";
#endif
    static constexpr double kPixelSize = 12.0 * kPrintDotsPerInch / 72.0;

    PrintFont();
    ~PrintFont();
    PrintFont(const PrintFont&) = delete;
    PrintFont& operator=(const PrintFont&) = delete;

    const TextMetrics& Metrics() const { return metrics_; }
    int Advance(const std::wstring& text) const;

#if defined(_WIN32)
    // The GDI font (an HFONT) to select into a device context whose logical
    // units are the print resolution's pixels.
    void* Handle() const { return font_; }

private:
    void* font_ = nullptr;
    void* measure_ = nullptr; // a memory device context (HDC)
#else
    // Sets the face, size and options on a drawing context whose user units
    // are device pixels, so that drawn text matches what was measured.
    void Apply(cairo_t* context) const;

private:
    cairo_surface_t* surface_ = nullptr;
    cairo_t* measure_ = nullptr;
    cairo_font_options_t* options_ = nullptr;
#endif
    TextMetrics metrics_;
};

} // namespace platform
