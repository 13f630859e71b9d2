// The print system's side of Printers.h, one backend per system. Internal to
// platform/print.
#pragma once

#include "platform/print/PrintContext.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

std::vector<std::wstring> SystemPrinterNames();
std::wstring SystemDefaultPrinterName();
// Null when the print system has no printer of that name.
std::unique_ptr<PrintContext> OpenSystemPrinter(const std::wstring& name);

} // namespace platform
