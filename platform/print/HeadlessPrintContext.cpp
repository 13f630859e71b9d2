// The headless printer's bookkeeping.
#include "platform/print/HeadlessPrintContext.h"

#include <utility>

namespace platform {

HeadlessPrintContext::HeadlessPrintContext() : HeadlessPrintContext(Options{}) {}

HeadlessPrintContext::HeadlessPrintContext(Options options, PrintedDocuments documents)
    : PrintContext(options.pageWidth, options.pageHeight),
      options_(std::move(options)),
      documents_(documents ? std::move(documents)
                           : std::make_shared<std::vector<PrintedDocument>>()) {}

bool HeadlessPrintContext::OnStartDoc(const std::wstring& documentName) {
    if (options_.failStartDoc)
        return false;
    PrintedDocument document;
    document.printerName = options_.printerName;
    document.documentName = documentName;
    documents_->push_back(std::move(document));
    return true;
}

bool HeadlessPrintContext::OnStartPage() {
    ++Current().pageCount;
    return true;
}

void HeadlessPrintContext::OnTextOut(int x, int y, const std::wstring& text) {
    Current().runs.push_back({Current().pageCount - 1, x, y, text});
}

bool HeadlessPrintContext::OnEndPage() {
    return true;
}

bool HeadlessPrintContext::OnEndDoc() {
    if (options_.failEndDoc)
        return false;
    Current().sent = true;
    return true;
}

void HeadlessPrintContext::OnAbortDoc() {
    Current().aborted = true;
}

} // namespace platform
