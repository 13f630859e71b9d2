// The headless printer: a printing context that keeps every document it is
// given, with each text run's page and position, instead of sending it
// anywhere. Tests read what would have been printed from it.
#pragma once

#include "platform/print/PrintContext.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

// One piece of text as it was placed: pages count from 0.
struct PrintedTextRun {
    int page = 0;
    int x = 0;
    int y = 0;
    std::wstring text;
};

// One document given to a headless printer.
struct PrintedDocument {
    std::wstring printerName;
    std::wstring documentName;
    int pageCount = 0;
    std::vector<PrintedTextRun> runs;
    bool sent = false;     // EndDoc handed it over
    bool aborted = false;  // AbortDoc dropped it
};

// The documents of one or more headless contexts; shared so that they outlive
// the context (the shell deletes its context as soon as it has printed).
using PrintedDocuments = std::shared_ptr<std::vector<PrintedDocument>>;

class HeadlessPrintContext final : public PrintContext {
public:
    struct Options {
        // A4 at the print resolution.
        int pageWidth = 2480;
        int pageHeight = 3508;
        std::wstring printerName = L"Headless";
        // Makes StartDoc or EndDoc fail, as a printer that is unavailable or
        // a job that the spooler refuses.
        bool failStartDoc = false;
        bool failEndDoc = false;
    };

    HeadlessPrintContext();
    explicit HeadlessPrintContext(Options options, PrintedDocuments documents = nullptr);

    // Every document started on this context, the last one last.
    const std::vector<PrintedDocument>& Documents() const { return *documents_; }

protected:
    bool OnStartDoc(const std::wstring& documentName) override;
    bool OnStartPage() override;
    void OnTextOut(int x, int y, const std::wstring& text) override;
    bool OnEndPage() override;
    bool OnEndDoc() override;
    void OnAbortDoc() override;

private:
    PrintedDocument& Current() { return documents_->back(); }

    Options options_;
    PrintedDocuments documents_;
};

} // namespace platform
