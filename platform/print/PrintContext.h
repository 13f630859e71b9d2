// A printing context: what the program needs of a printer's device context
// (page size in device pixels, the default font's metrics, text extents, text
// output, documents and pages), with the real and the headless printer behind
// one small seam.
#pragma once

#include <memory>
#include <string>

namespace platform {

// Every printing context works at 300 device pixels per inch: the resolution of
// an ordinary office laser printer, fine enough that text placed on whole
// pixels looks right, and coarse enough that a page (2480 × 3508 on A4) and the
// default font (50 px) keep the layout's integer arithmetic comfortable.
inline constexpr int kPrintDotsPerInch = 300;

// The text metrics the layout reads, named as in GDI's TEXTMETRIC.
struct TextMetrics {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmAveCharWidth = 0;
    int tmExternalLeading = 0;
};

struct TextSize {
    int cx = 0;
    int cy = 0;
};

class PrintFont;

// The device context of one printer. A context prints documents one after
// another: StartDoc, then pages (StartPage … EndPage) holding text, then EndDoc
// sends the document; AbortDoc drops it. Calls out of that order fail and do
// nothing. Text is placed by its top-left corner, as with GDI's default
// alignment, in the printable area's pixels.
class PrintContext {
public:
    virtual ~PrintContext();
    PrintContext(const PrintContext&) = delete;
    PrintContext& operator=(const PrintContext&) = delete;

    // The printable area in device pixels (HORZRES, VERTRES).
    int PageWidth() const { return pageWidth_; }
    int PageHeight() const { return pageHeight_; }

    // The default font, which is the only font a context has.
    const TextMetrics& GetTextMetrics() const;

    // Advance width and cell height of a text in the default font; the "A"
    // forms take Windows-1251 text.
    TextSize GetTextExtent(const std::wstring& text) const;
    TextSize GetTextExtentA(const std::string& ansiText) const;

    bool TextOut(int x, int y, const std::wstring& text);
    bool TextOutA(int x, int y, const std::string& ansiText);

    // Returns a positive number for the started document, or 0 when the
    // printer cannot take one.
    int StartDoc(const std::wstring& documentName);
    bool StartPage();
    bool EndPage();
    // Sends the document; false when it could not be handed to the printer.
    bool EndDoc();
    void AbortDoc();

protected:
    PrintContext(int pageWidth, int pageHeight);

    // The seam between the shared code and a backend. OnTextOut is called only
    // inside a page, the page calls only inside a document.
    virtual bool OnStartDoc(const std::wstring& documentName) = 0;
    virtual bool OnStartPage() = 0;
    virtual void OnTextOut(int x, int y, const std::wstring& text) = 0;
    virtual bool OnEndPage() = 0;
    virtual bool OnEndDoc() = 0;
    virtual void OnAbortDoc() = 0;

    const PrintFont& Font() const { return *font_; }

private:
    enum class State { Idle, InDocument, InPage };

    int pageWidth_;
    int pageHeight_;
    std::unique_ptr<PrintFont> font_;
    State state_ = State::Idle;
    int documentCount_ = 0;
};

} // namespace platform
