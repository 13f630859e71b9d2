// Finding kept rows and telling the teacher about them.
#include "shell/report/KeptRows.h"

#include "platform/TextCodec.h"
#include "platform/folders/SharedFolder.h"
#include "shell/report/ReportDocument.h"
#include "shell/report/ReportOperations.h"
#include "shell/report/ReportStorage.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <system_error>

std::vector<std::filesystem::path> KeptRowsFolders(const std::filesystem::path& reportFile) {
    std::vector<std::filesystem::path> folders{
        reportFile.has_parent_path() ? reportFile.parent_path() : std::filesystem::path(".")};
    for (const std::filesystem::path& folder : platform::KeepingFolders())
        folders.push_back(folder / platform::WideToUtf8(kReportFolderName));
    return folders;
}

std::vector<KeptRows> FindKeptRows(const std::wstring& windowTitle) {
    // Looking must not create the report folder.
    return FindKeptRowsOf(PathFromAnsi(platform::NarrowAnsi(ExistingReportFilePath(windowTitle))));
}

std::vector<KeptRows> FindKeptRowsOf(const std::filesystem::path& reportFile) {
    const std::string prefix = reportFile.stem().string() + ".recovery-";
    const std::string extension = reportFile.extension().string();

    std::vector<KeptRows> found;
    std::vector<std::filesystem::path> seen;
    for (const std::filesystem::path& folder : KeptRowsFolders(reportFile)) {
        std::error_code error;
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(prefix) && entry.path().extension() == extension &&
                entry.is_regular_file(error))
                files.push_back(entry.path());
        }
        // The stamp in the name gives the time, and the counter after it the
        // order within a second.
        auto order = [&](const std::filesystem::path& file) {
            const std::string rest = file.stem().string().substr(prefix.size());
            const size_t dash = rest.find('-', 19);
            const int counter = dash == std::string::npos ? 1 : std::atoi(rest.c_str() + dash + 1);
            return std::pair(rest.substr(0, 19), counter);
        };
        std::sort(files.begin(), files.end(),
                  [&](const auto& a, const auto& b) { return order(a) < order(b); });
        for (const std::filesystem::path& file : files) {
            const bool again = std::any_of(seen.begin(), seen.end(), [&](const auto& other) {
                return std::filesystem::equivalent(file, other, error);
            });
            if (again)
                continue;
            seen.push_back(file);
            if (auto student = SoleStudentOf(file))
                found.push_back({*student, file});
        }
    }
    return found;
}

std::wstring KeptRowsNotice(const KeptRows& kept) {
    return L"Результаты ученика «" + kept.studentName + L"» не попали в таблицу и сохранены в файле " +
           platform::Utf8ToWide(kept.file.string());
}
