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
// The same without creating ZUVR: where the workbook is, or would have been
// put, as things stand now.
std::wstring ExistingReportFilePath(const std::wstring& windowTitle);

// The report for a confirmed student name, or none for an empty name (the
// caller then keeps whatever report it had).
std::unique_ptr<ReportDocument> PrepareReportDocument(const std::wstring& studentName,
                                                      const std::wstring& windowTitle);

// Appends a statistics row when there is a report; rows without one are
// dropped.
void AddStatistic(ReportDocument* report, const std::wstring& name, const std::wstring& value,
                  const std::wstring& type);

// Saves the report to its default file. When that fails, the rows that exist
// only in memory go to a kept-rows file (KeptRows.h), whose place is written
// to stderr; when no folder takes them either, the rows themselves are written
// to stderr. Nothing that was on disk is touched by a failure. True when the
// workbook was saved; false also without a report.
bool SaveReportOrKeepRows(ReportDocument* report);

// The save when the program closes: SaveReportOrKeepRows.
bool SaveReportOnExit(ReportDocument* report);

// The text the Save As field starts with: the default file path.
std::wstring SaveAsFieldText(const ReportDocument& report);

enum class SaveAsOutcome {
    Saved,
    AskToReplace,   // the file is another workbook: saved only when asked again
    NotAWorkbook,   // the file is something else, which is never replaced
    BadName,        // the name has letters the report's 8-bit paths cannot spell
    IsFolder,
    FolderMissing,
    NotPermitted,
    DiskFull,
    Busy,
    Failed,
};

// Saves under the field's text; an empty field, or the default file's path,
// is the default save. The report's default path stays as it was. An existing
// file at another path is replaced only when it is a workbook and the
// replacement is confirmed; a file that is not a workbook is never replaced.
SaveAsOutcome SaveReportAs(ReportDocument* report, const std::wstring& fieldText,
                           bool replaceConfirmed);

// The line the Save As dialog shows for an outcome other than Saved.
std::wstring SaveAsMessage(SaveAsOutcome outcome);

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

enum class PrintOutcome {
    Printed,
    NoPrinters,      // the machine has no printer
    NoneSelected,    // the list has printers but none is chosen
    PrinterMissing,  // the chosen printer is gone
    Refused,         // the printer did not take the job
};

// The line the printer dialog shows for an outcome other than Printed.
std::wstring PrintMessage(PrintOutcome outcome);
