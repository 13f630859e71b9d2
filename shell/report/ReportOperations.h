// The substance of the application template's report operations (preparing
// the report for a confirmed name, forwarding statistics, saving on exit and
// under another name, printing), as free functions the template calls in one
// line each.
#pragma once

#include "shell/report/ReportDocument.h"

#include <memory>
#include <optional>
#include <string>

namespace platform {
class PrintContext;
}

// The name of the folder, under the shared data folder, that holds the
// workbooks of every title.
inline constexpr const wchar_t* kReportFolderName = L"ZUVR";

// Where the workbook of a title lives: "<shared data folder>/ZUVR/<title>.xls",
// creating ZUVR when it is missing. When the shared folder cannot be found,
// ZUVR cannot be created, or the folder's name does not survive the report's
// 8-bit path form, the file goes to the current directory as "<title>.xls".
std::wstring ReportFilePath(const std::wstring& windowTitle);

// The report for a confirmed student name, or none for an empty name (the
// caller then keeps whatever report it had).
std::unique_ptr<ReportDocument> PrepareReportDocument(const std::wstring& studentName,
                                                      const std::wstring& windowTitle);

// Appends a statistics row when there is a report; rows without one are
// dropped.
void AddStatistic(ReportDocument* report, const std::wstring& name, const std::wstring& value,
                  const std::wstring& type);

// Saves to the default file when there is a report. False when there is none
// or the save failed.
bool SaveReportOnExit(ReportDocument* report);

// The text the Save As field starts with: the default file path.
std::wstring SaveAsFieldText(const ReportDocument& report);

// Saves under the field's text (an empty field means the default file); the
// report's default path stays as it was.
bool SaveReportAs(ReportDocument* report, const std::wstring& fieldText);

// The header lines of a printout.
ReportPrintHeader MakePrintHeader(const std::wstring& resourceName,
                                  const std::wstring& resourceNumber,
                                  const std::wstring& studentName);

// The context for the printer picked in the printer list, or none when no
// printer is picked or the printer does not exist.
std::unique_ptr<platform::PrintContext> OpenSelectedPrinter(
    const std::optional<std::wstring>& printerName);

// Prints the report on the context and then releases the context. Nothing is
// printed without a context or a report; false then, or when the job failed.
bool PrintReportTo(std::unique_ptr<platform::PrintContext> context,
                   const ReportPrintHeader& header, const ReportDocument* report);
