// Measuring the printing font with GDI, on a memory device context in the
// print resolution's pixels, the same font the printer's context draws with.
#include "platform/print/PrintFont.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace platform {

PrintFont::PrintFont() {
    LOGFONTW description{};
    // A negative height asks for the em size, which is what cairo's font size is.
    description.lfHeight = -static_cast<LONG>(std::lround(kPixelSize));
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    description.lfQuality = ANTIALIASED_QUALITY;
    lstrcpynW(description.lfFaceName, kFaceName, LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&description);
    HDC measure = CreateCompatibleDC(nullptr);
    SelectObject(measure, font);
    font_ = font;
    measure_ = measure;

    TEXTMETRICW text{};
    GetTextMetricsW(measure, &text);
    metrics_.tmAscent = text.tmAscent;
    metrics_.tmDescent = text.tmDescent;
    metrics_.tmHeight = text.tmHeight;
    metrics_.tmExternalLeading = text.tmExternalLeading;
    // The width of "x", as on Linux, so that both systems lay out alike.
    metrics_.tmAveCharWidth = std::max(1, Advance(L"x"));
}

PrintFont::~PrintFont() {
    DeleteDC(static_cast<HDC>(measure_));
    DeleteObject(static_cast<HFONT>(font_));
}

int PrintFont::Advance(const std::wstring& text) const {
    if (text.empty())
        return 0;
    SIZE size{};
    GetTextExtentPoint32W(static_cast<HDC>(measure_), text.c_str(), static_cast<int>(text.size()),
                          &size);
    return size.cx;
}

} // namespace platform
