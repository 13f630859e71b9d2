// Face files on Windows: GDI itself picks the system's face for the family,
// weight and slant (so "Arial" is the machine's own Arial), and hands over the
// whole font file, which FreeType then reads from memory. No fontconfig.
#include "platform/fonts/FaceFiles_c.h"

#include "platform/TextCodec.h"

#include <windows.h>

namespace platform {

bool MatchFace(const std::string& family, bool bold, bool italic, FaceFile& found) {
    const std::wstring wideFamily = Utf8ToWide(family);
    LOGFONTW description{};
    description.lfHeight = -64;
    description.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    description.lfItalic = italic;
    // Cyrillic first, as the program's texts are Russian.
    description.lfCharSet = RUSSIAN_CHARSET;
    description.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    lstrcpynW(description.lfFaceName, wideFamily.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&description);
    if (!font)
        return false;
    HDC context = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(context, font);
    // A face inside a collection is read from the collection's header on.
    constexpr DWORD kCollectionTag = 0x66637474; // "ttcf", as GetFontData reads tags
    DWORD table = kCollectionTag;
    DWORD size = GetFontData(context, table, 0, nullptr, 0);
    if (size == GDI_ERROR) {
        table = 0;
        size = GetFontData(context, table, 0, nullptr, 0);
    }
    bool ok = false;
    if (size != GDI_ERROR && size > 0) {
        auto data = std::make_shared<std::vector<unsigned char>>(size);
        if (GetFontData(context, table, 0, data->data(), size) == size) {
            wchar_t chosen[LF_FACESIZE] = {};
            GetTextFaceW(context, LF_FACESIZE, chosen);
            TEXTMETRICW metrics{};
            GetTextMetricsW(context, &metrics);
            found.path = WideToUtf8(chosen);
            found.data = std::move(data);
            // Which face of a collection GDI chose is not told; the first one
            // is the regular face of the collections Windows ships.
            found.index = 0;
            found.bold = metrics.tmWeight >= FW_SEMIBOLD;
            found.italic = metrics.tmItalic != 0;
            ok = true;
        }
    }
    SelectObject(context, previous);
    DeleteDC(context);
    DeleteObject(font);
    return ok;
}

} // namespace platform
