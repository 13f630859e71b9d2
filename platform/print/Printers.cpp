// The printers the program asks for: the headless ones while a test has
// installed them, the system's otherwise (CupsPrinters.cpp, PrintersWin32.cpp).
#include "platform/print/Printers.h"

#include "platform/print/SystemPrinters_c.h"

#include <algorithm>
#include <mutex>

namespace platform {
namespace {

HeadlessPrinters* installedPrinters = nullptr;
std::mutex installedMutex;

} // namespace

std::vector<std::wstring> PrinterNames() {
    {
        std::lock_guard lock(installedMutex);
        if (installedPrinters != nullptr)
            return installedPrinters->names_;
    }
    return SystemPrinterNames();
}

std::wstring DefaultPrinterName() {
    {
        std::lock_guard lock(installedMutex);
        if (installedPrinters != nullptr)
            return installedPrinters->defaultName_;
    }
    return SystemDefaultPrinterName();
}

std::unique_ptr<PrintContext> OpenPrinter(const std::wstring& name) {
    {
        std::lock_guard lock(installedMutex);
        if (installedPrinters != nullptr) {
            const auto& names = installedPrinters->names_;
            if (std::find(names.begin(), names.end(), name) == names.end())
                return nullptr;
            HeadlessPrintContext::Options options = installedPrinters->options_;
            options.printerName = name;
            return std::make_unique<HeadlessPrintContext>(options, installedPrinters->documents_);
        }
    }
    return OpenSystemPrinter(name);
}

HeadlessPrinters::HeadlessPrinters(std::vector<std::wstring> names, std::wstring defaultName)
    : names_(std::move(names)),
      defaultName_(std::move(defaultName)),
      documents_(std::make_shared<std::vector<PrintedDocument>>()) {
    std::lock_guard lock(installedMutex);
    installedPrinters = this;
}

HeadlessPrinters::~HeadlessPrinters() {
    std::lock_guard lock(installedMutex);
    if (installedPrinters == this)
        installedPrinters = nullptr;
}

bool HeadlessPrinters::IsInstalled() {
    std::lock_guard lock(installedMutex);
    return installedPrinters != nullptr;
}

} // namespace platform
