// The report operations of the application template.
#include "shell/report/ReportOperations.h"

#include "platform/TextCodec.h"
#include "platform/folders/SharedFolder.h"
#include "platform/print/PrintContext.h"
#include "platform/print/Printers.h"

namespace {

// The report keeps its path in 8-bit form; a folder whose name has letters
// outside that form could never be written to.
bool SurvivesAnsi(const std::wstring& text) {
    std::wstring back = platform::Cp1251ToWide(platform::NarrowAnsi(text));
    return back == text;
}

} // namespace

std::wstring ReportFilePath(const std::wstring& windowTitle) {
    std::wstring folder;
    if (auto shared = platform::SharedDataFolder()) {
        const std::filesystem::path reports = *shared / platform::WideToUtf8(kReportFolderName);
        const std::wstring wide = platform::Utf8ToWide(reports.string());
        if (SurvivesAnsi(wide) &&
            (platform::FolderExists(reports) || platform::CreateFolder(reports)))
            folder = wide + L"/";
    }
    return folder + windowTitle + L".xls";
}

std::unique_ptr<ReportDocument> PrepareReportDocument(const std::wstring& studentName,
                                                      const std::wstring& windowTitle) {
    if (studentName.empty())
        return nullptr;
    return std::make_unique<ReportDocument>(ReportFilePath(windowTitle), studentName);
}

void AddStatistic(ReportDocument* report, const std::wstring& name, const std::wstring& value,
                  const std::wstring& type) {
    if (report != nullptr)
        report->AddRow(name, value, type);
}

bool SaveReportOnExit(ReportDocument* report) {
    return report != nullptr && report->Save(L"");
}

std::wstring SaveAsFieldText(const ReportDocument& report) {
    return platform::Cp1251ToWide(report.FilePath());
}

bool SaveReportAs(ReportDocument* report, const std::wstring& fieldText) {
    return report != nullptr && report->Save(fieldText);
}

ReportPrintHeader MakePrintHeader(const std::wstring& resourceName,
                                  const std::wstring& resourceNumber,
                                  const std::wstring& studentName) {
    return {
        {L"Название", resourceName},
        {L"Номер ЦОР", resourceNumber},
        {L"Ученик", studentName},
    };
}

std::unique_ptr<platform::PrintContext> OpenSelectedPrinter(
    const std::optional<std::wstring>& printerName) {
    if (!printerName)
        return nullptr;
    return platform::OpenPrinter(*printerName);
}

bool PrintReportTo(std::unique_ptr<platform::PrintContext> context,
                   const ReportPrintHeader& header, const ReportDocument* report) {
    if (context == nullptr || report == nullptr)
        return false;
    return report->Print(*context, header);
}
