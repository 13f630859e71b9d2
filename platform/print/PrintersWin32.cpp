// The real printers over the Windows print spooler and GDI.
//
// Implemented: the printers in the order EnumPrinters gives them (local ones
// and connections), the default printer (GetDefaultPrinter), a device context
// per printer whose logical units are the print resolution's pixels whatever
// the printer's own resolution, text drawn with the printing font, documents
// and pages as the spooler has them.
// Left out: graphics, colour, fonts other than the default one, and every job
// option beyond the printer's defaults.
#include "platform/print/SystemPrinters_c.h"

#include "platform/TextCodec.h"
#include "platform/print/PrintFont.h"

#include <cstdio>
#include <vector>

// After our own headers: windows.h makes macros of names they use.
#include <windows.h>
#include <winspool.h>

namespace platform {
namespace {

// Device pixels of the printable area turned into the print resolution's.
int ToPrintPixels(int devicePixels, int devicePixelsPerInch) {
    return devicePixelsPerInch > 0
               ? MulDiv(devicePixels, kPrintDotsPerInch, devicePixelsPerInch)
               : devicePixels;
}

class WindowsPrintContext final : public PrintContext {
public:
    explicit WindowsPrintContext(HDC context)
        : PrintContext(ToPrintPixels(GetDeviceCaps(context, HORZRES),
                                     GetDeviceCaps(context, LOGPIXELSX)),
                       ToPrintPixels(GetDeviceCaps(context, VERTRES),
                                     GetDeviceCaps(context, LOGPIXELSY))),
          context_(context) {}
    ~WindowsPrintContext() override { DeleteDC(context_); }

private:
    // Some printer drivers reset the context's attributes at every page.
    void PrepareContext() {
        SetMapMode(context_, MM_ANISOTROPIC);
        SetWindowExtEx(context_, kPrintDotsPerInch, kPrintDotsPerInch, nullptr);
        SetViewportExtEx(context_, GetDeviceCaps(context_, LOGPIXELSX),
                         GetDeviceCaps(context_, LOGPIXELSY), nullptr);
        SelectObject(context_, static_cast<HFONT>(Font().Handle()));
        SetBkMode(context_, TRANSPARENT);
        SetTextColor(context_, RGB(0, 0, 0));
        SetTextAlign(context_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    }

    bool OnStartDoc(const std::wstring& documentName) override {
        DOCINFOW document{};
        document.cbSize = sizeof document;
        document.lpszDocName = documentName.c_str();
        return StartDocW(context_, &document) > 0;
    }
    bool OnStartPage() override {
        if (::StartPage(context_) <= 0)
            return false;
        PrepareContext();
        return true;
    }
    void OnTextOut(int x, int y, const std::wstring& text) override {
        ExtTextOutW(context_, x, y, 0, nullptr, text.c_str(), static_cast<UINT>(text.size()),
                    nullptr);
    }
    bool OnEndPage() override { return ::EndPage(context_) > 0; }
    bool OnEndDoc() override { return ::EndDoc(context_) > 0; }
    void OnAbortDoc() override { ::AbortDoc(context_); }

    HDC context_;
};

} // namespace

std::vector<std::wstring> SystemPrinterNames() {
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, count = 0;
    EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
    std::vector<std::wstring> names;
    if (needed == 0)
        return names;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count))
        return names;
    const auto* printers = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (printers[i].pPrinterName)
            names.emplace_back(printers[i].pPrinterName);
    return names;
}

std::wstring SystemDefaultPrinterName() {
    DWORD length = 0;
    GetDefaultPrinterW(nullptr, &length);
    if (length == 0)
        return L"";
    std::wstring name(length, L'\0');
    if (!GetDefaultPrinterW(name.data(), &length))
        return L"";
    name.resize(wcslen(name.c_str()));
    return name;
}

std::unique_ptr<PrintContext> OpenSystemPrinter(const std::wstring& name) {
    HDC context = CreateDCW(L"WINSPOOL", name.c_str(), nullptr, nullptr);
    if (context == nullptr) {
        std::fprintf(stderr, "printing: there is no printer named \"%s\"\n",
                     WideToUtf8(name).c_str());
        return nullptr;
    }
    return std::make_unique<WindowsPrintContext>(context);
}

} // namespace platform
