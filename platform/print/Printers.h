// The machine's printers: their names in the print system's order, the default
// one, and a printing context opened by name. While a HeadlessPrinters object
// exists, these answer from it instead of the print system.
#pragma once

#include "platform/print/HeadlessPrintContext.h"
#include "platform/print/PrintContext.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

std::vector<std::wstring> PrinterNames();

// The default printer's name, or "" when there is none.
std::wstring DefaultPrinterName();

// A context for the named printer, or null when there is no such printer.
std::unique_ptr<PrintContext> OpenPrinter(const std::wstring& name);

// A set of headless printers standing in for the print system. Every document
// printed on them is kept here, in the order the documents were started.
class HeadlessPrinters {
public:
    HeadlessPrinters(std::vector<std::wstring> names, std::wstring defaultName);
    ~HeadlessPrinters();
    HeadlessPrinters(const HeadlessPrinters&) = delete;
    HeadlessPrinters& operator=(const HeadlessPrinters&) = delete;

    // Options for the contexts opened from now on (page size, failures); the
    // printer's name is filled in by OpenPrinter.
    void SetOptions(HeadlessPrintContext::Options options) { options_ = std::move(options); }

    const std::vector<PrintedDocument>& Documents() const { return *documents_; }

    static bool IsInstalled();

private:
    friend std::vector<std::wstring> PrinterNames();
    friend std::wstring DefaultPrinterName();
    friend std::unique_ptr<PrintContext> OpenPrinter(const std::wstring& name);

    std::vector<std::wstring> names_;
    std::wstring defaultName_;
    HeadlessPrintContext::Options options_;
    PrintedDocuments documents_;
};

} // namespace platform
