// The application object's report operations: the workbook for a confirmed
// name, the statistics rows, saving on exit and under another name, printing.
#include "shell/IMAppBase.h"

#include "gui/IMWindow.h"
#include "platform/print/PrintContext.h"
#include "shell/report/ReportDocument.h"
#include "shell/report/ReportOperations.h"

void IMAppBase::AddStatistic(const std::wstring& name, const std::wstring& value,
                             const std::wstring& type) {
    ::AddStatistic(report, name, value, type);
}

void IMAppBase::PrepareReport(const std::wstring& name) {}

long IMAppBase::SaveReportOnExit() {
    ::SaveReportOnExit(report);
    return 0;
}

long IMAppBase::SaveReportAs() {
    return 0;
}

long IMAppBase::PrintReport() {
    return 0;
}

void IMAppBase::PrintReportTo(std::unique_ptr<platform::PrintContext> printer) {}
