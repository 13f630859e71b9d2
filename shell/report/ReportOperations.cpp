// The report operations of the application template.
#include "shell/report/ReportOperations.h"

#include "platform/TextCodec.h"
#include "platform/folders/SharedFolder.h"
#include "platform/print/PrintContext.h"
#include "platform/print/Printers.h"
#include "shell/report/KeptRows.h"
#include "shell/report/ReportStorage.h"

#include <cstdio>

namespace {

// The report keeps its path in 8-bit form; a folder whose name has letters
// outside that form could never be written to.
bool SurvivesAnsi(const std::wstring& text) {
    std::wstring back = platform::Cp1251ToWide(platform::NarrowAnsi(text));
    return back == text;
}

std::wstring ReportFilePathMaking(const std::wstring& windowTitle, bool createFolder) {
    std::wstring folder;
    if (auto shared = platform::SharedDataFolder()) {
        const std::filesystem::path reports = *shared / platform::WideToUtf8(kReportFolderName);
        // UTF-8 on every system (a narrow path is in the code page on Windows),
        // and the system's own separator, which the Save As field shows.
        const std::u8string utf8 = reports.u8string();
        const std::wstring wide =
            platform::Utf8ToWide(std::string(utf8.begin(), utf8.end()));
        if (SurvivesAnsi(wide) && (platform::FolderExists(reports) ||
                                   (createFolder && platform::CreateFolder(reports))))
            folder = wide + static_cast<wchar_t>(std::filesystem::path::preferred_separator);
    }
    return folder + windowTitle + L".xls";
}

} // namespace

std::wstring ReportFilePath(const std::wstring& windowTitle) {
    return ReportFilePathMaking(windowTitle, true);
}

std::wstring ExistingReportFilePath(const std::wstring& windowTitle) {
    return ReportFilePathMaking(windowTitle, false);
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

bool SaveReportOrKeepRows(ReportDocument* report) {
    if (report == nullptr)
        return false;
    if (report->Save(L""))
        return true;
    if (!report->HasUnsavedRows())
        return false;
    const std::filesystem::path workbook = PathFromAnsi(report->FilePath());
    const std::string student = platform::WideToUtf8(report->StudentKey());
    if (auto kept = report->KeepUnsavedRows(KeptRowsFolders(workbook))) {
        std::fprintf(stderr,
                     "report: the rows of %s could not be saved in %s; they were kept in %s\n",
                     student.c_str(), workbook.string().c_str(), kept->string().c_str());
    } else {
        std::fprintf(stderr,
                     "report: the rows of %s could not be saved in %s nor kept in any file; "
                     "here they are:\n%s",
                     student.c_str(), workbook.string().c_str(), report->UnsavedRowsText().c_str());
    }
    return false;
}

bool SaveReportOnExit(ReportDocument* report) {
    return SaveReportOrKeepRows(report);
}

std::wstring SaveAsFieldText(const ReportDocument& report) {
    return platform::Cp1251ToWide(report.FilePath());
}

SaveAsOutcome SaveReportAs(ReportDocument* report, const std::wstring& fieldText,
                           bool replaceConfirmed) {
    if (report == nullptr)
        return SaveAsOutcome::Failed;
    const bool defaultFile = fieldText.empty() || report->IsDefaultPath(fieldText);
    if (!defaultFile) {
        // A name the 8-bit path cannot spell would be saved under another one.
        if (!SurvivesAnsi(fieldText))
            return SaveAsOutcome::BadName;
        const std::filesystem::path target = PathFromAnsi(platform::NarrowAnsi(fieldText));
        std::error_code error;
        if (std::filesystem::is_directory(target, error))
            return SaveAsOutcome::IsFolder;
        if (std::filesystem::exists(std::filesystem::symlink_status(target, error))) {
            if (!IsWorkbookFile(target))
                return SaveAsOutcome::NotAWorkbook;
            if (!replaceConfirmed)
                return SaveAsOutcome::AskToReplace;
        }
        // The copy carries what other programs have saved since this one read
        // the workbook.
        report->Refresh();
    }
    if (report->Save(fieldText))
        return SaveAsOutcome::Saved;
    switch (report->LastSaveFailure()) {
    case SaveFailure::FolderMissing:
        return SaveAsOutcome::FolderMissing;
    case SaveFailure::NotPermitted:
        return SaveAsOutcome::NotPermitted;
    case SaveFailure::DiskFull:
        return SaveAsOutcome::DiskFull;
    case SaveFailure::IsFolder:
        return SaveAsOutcome::IsFolder;
    case SaveFailure::Busy:
        return SaveAsOutcome::Busy;
    default:
        return SaveAsOutcome::Failed;
    }
}

std::wstring SaveAsMessage(SaveAsOutcome outcome) {
    switch (outcome) {
    case SaveAsOutcome::Saved:
        return L"";
    case SaveAsOutcome::AskToReplace:
        return L"Файл уже есть. Нажмите ещё раз, чтобы заменить";
    case SaveAsOutcome::NotAWorkbook:
        return L"Это чужой файл, выберите другое имя";
    case SaveAsOutcome::BadName:
        return L"В имени есть недопустимые буквы";
    case SaveAsOutcome::IsFolder:
        return L"Это папка, допишите имя файла";
    case SaveAsOutcome::FolderMissing:
        return L"Не сохранено: нет такой папки";
    case SaveAsOutcome::NotPermitted:
        return L"Не сохранено: нет доступа к папке";
    case SaveAsOutcome::DiskFull:
        return L"Не сохранено: диск заполнен";
    case SaveAsOutcome::Busy:
        return L"Не сохранено: файл занят, попробуйте ещё";
    case SaveAsOutcome::Failed:
        break;
    }
    return L"Не сохранено: ошибка записи";
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

std::wstring PrintMessage(PrintOutcome outcome) {
    switch (outcome) {
    case PrintOutcome::Printed:
        return L"";
    case PrintOutcome::NoPrinters:
        return L"Принтеры не установлены";
    case PrintOutcome::NoneSelected:
        return L"Выберите принтер в списке";
    case PrintOutcome::PrinterMissing:
        return L"Этот принтер недоступен";
    case PrintOutcome::Refused:
        break;
    }
    return L"Принтер не принял задание";
}
