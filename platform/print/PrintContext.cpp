// The part of every printing context that does not depend on the printer: the
// order of documents and pages, the font and its measurements.
#include "platform/print/PrintContext.h"

#include "platform/TextCodec.h"
#include "platform/print/PrintFont.h"

namespace platform {

PrintContext::PrintContext(int pageWidth, int pageHeight)
    : pageWidth_(pageWidth), pageHeight_(pageHeight), font_(std::make_unique<PrintFont>()) {}

PrintContext::~PrintContext() = default;

const TextMetrics& PrintContext::GetTextMetrics() const {
    return font_->Metrics();
}

TextSize PrintContext::GetTextExtent(const std::wstring& text) const {
    return {font_->Advance(text), font_->Metrics().tmHeight};
}

TextSize PrintContext::GetTextExtentA(const std::string& ansiText) const {
    return GetTextExtent(Cp1251ToWide(ansiText));
}

bool PrintContext::TextOut(int x, int y, const std::wstring& text) {
    if (state_ != State::InPage)
        return false;
    if (!text.empty())
        OnTextOut(x, y, text);
    return true;
}

bool PrintContext::TextOutA(int x, int y, const std::string& ansiText) {
    return TextOut(x, y, Cp1251ToWide(ansiText));
}

int PrintContext::StartDoc(const std::wstring& documentName) {
    if (state_ != State::Idle || !OnStartDoc(documentName))
        return 0;
    state_ = State::InDocument;
    return ++documentCount_;
}

bool PrintContext::StartPage() {
    if (state_ != State::InDocument || !OnStartPage())
        return false;
    state_ = State::InPage;
    return true;
}

bool PrintContext::EndPage() {
    if (state_ != State::InPage)
        return false;
    state_ = State::InDocument;
    return OnEndPage();
}

bool PrintContext::EndDoc() {
    if (state_ == State::InPage && !EndPage()) {
        AbortDoc();
        return false;
    }
    if (state_ != State::InDocument)
        return false;
    state_ = State::Idle;
    return OnEndDoc();
}

void PrintContext::AbortDoc() {
    if (state_ == State::Idle)
        return;
    state_ = State::Idle;
    OnAbortDoc();
}

} // namespace platform
