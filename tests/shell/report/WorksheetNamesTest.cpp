// The worksheet of every student: valid names for Excel and LibreOffice, the
// typed name kept in the sheet, found again on the next run, never shared, and
// the worksheets of earlier versions still found.
#include "shell/report/WorksheetNames.h"

#include "platform/print/HeadlessPrintContext.h"

#include "shell/report/ReportDocument.h"
#include "shell/report/ReportOperations.h"
#include "tests/shell/report/ReportTestFolder.h"
#include "tests/shell/report/StudentNames.h"
#include "tests/shell/report/WorkbookReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

const std::wstring kStartRow = L"Время начала работы с упражнением";

// Excel's rules, the stricter of the two programs.
void ExpectValidForSpreadsheets(const Sheets& sheets) {
    std::set<std::wstring> folded;
    for (const auto& [name, rows] : sheets) {
        SCOPED_TRACE(Utf8(name));
        EXPECT_FALSE(name.empty());
        EXPECT_LE(name.size(), 31u);
        EXPECT_EQ(name.find_first_of(L":\\/?*[]"), std::wstring::npos);
        EXPECT_NE(name.front(), L'\'');
        EXPECT_NE(name.back(), L'\'');
        EXPECT_NE(FoldCase(name), L"history");
        EXPECT_TRUE(folded.insert(FoldCase(name)).second) << "unique whatever the letter case";
    }
}

class WorksheetNamesTest : public testing::Test {
protected:
    std::filesystem::path DefaultFile() const { return folder.Reports() / PathOf(kReportTitle + L".xls"); }

    void SaveRun(const std::wstring& student, const std::wstring& value) {
        auto report = PrepareReportDocument(student, kReportTitle);
        report->AddRow(kStartRow, value, L"String");
        report->FinishRun();
        ASSERT_TRUE(report->Save(L""));
    }

    ReportTestFolder folder;
};

TEST_F(WorksheetNamesTest, EveryNameGetsAValidWorksheetOfItsOwnThatTheNextRunFindsAgain) {
    const auto& cases = StudentNameCases();
    for (size_t i = 0; i < cases.size(); ++i)
        SaveRun(cases[i].typed, L"run 1 of " + std::to_wstring(i));
    for (size_t i = 0; i < cases.size(); ++i)
        SaveRun(cases[i].typed, L"run 2 of " + std::to_wstring(i));

    const Sheets sheets = ReadSheets(DefaultFile());
    ASSERT_EQ(sheets.size(), cases.size());
    ExpectValidForSpreadsheets(sheets);
    for (size_t i = 0; i < cases.size(); ++i) {
        const StudentNameCase& c = cases[i];
        SCOPED_TRACE(c.what);
        EXPECT_EQ(sheets[i].first, c.sheet);
        Rows expected;
        if (!c.studentRow.empty())
            expected.push_back({L"Ученик", c.studentRow});
        for (int run : {1, 2}) {
            expected.push_back({kStartRow, L"run " + std::to_wstring(run) + L" of " + std::to_wstring(i)});
            expected.push_back({});
        }
        EXPECT_EQ(sheets[i].second, expected);
    }
}

TEST_F(WorksheetNamesTest, TheStudentRowIsNotPrinted) {
    auto report = PrepareReportDocument(L"Иванов/Петя", kReportTitle);
    report->AddRow(kStartRow, L"05-March-2008 14:07", L"String");
    platform::HeadlessPrintContext printer;
    ASSERT_TRUE(report->Print(printer, {}));
    const auto& runs = printer.Documents().at(0).runs;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, kStartRow);
}

TEST_F(WorksheetNamesTest, WorksheetsOfEarlierVersionsAreFoundAndMadeValidForTheirStudent) {
    // Earlier versions named every worksheet with the 8-bit name: "?" for
    // letters outside Windows-1251, and whatever characters were typed.
    std::filesystem::create_directories(folder.Reports());
    const std::string sheet = R"(<Worksheet ss:Name="%s"><Table><Column ss:AutoFitWidth="0" ss:Width="240"/><Row><Cell><Data ss:Type="String">old</Data></Cell><Cell><Data ss:Type="String">%s</Data></Cell></Row></Table></Worksheet>)";
    auto old = [&](const std::string& name) {
        std::string text = sheet;
        text.replace(text.find("%s"), 2, name);
        text.replace(text.find("%s"), 2, name);
        return text;
    };
    ReportTestFolder::Write(DefaultFile(),
                            "<?xml version=\"1.0\"?><Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
                            "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\">" +
                                old("Оля") + old("Иванов/Петя") + old("Zo?") + old("Вова") + old("вова") +
                                "</Workbook>");

    for (const wchar_t* student : {L"Оля", L"Иванов/Петя", L"Zoë", L"Zoé", L"вова"})
        SaveRun(student, L"new");

    const Sheets sheets = ReadSheets(DefaultFile());
    ExpectValidForSpreadsheets(sheets);
    auto oldRows = [](const std::wstring& name) { return Rows{{L"old", name}}; };
    auto newRows = Rows{{kStartRow, L"new"}, {}};
    auto with = [](Rows first, const Rows& more) {
        first.insert(first.end(), more.begin(), more.end());
        return first;
    };
    const Sheets expected = {
        // A valid name stays as it was.
        {L"Оля", with(oldRows(L"Оля"), newRows)},
        // An invalid one is renamed, and its student row goes first.
        {L"Иванов-Петя", with(with({{L"Ученик", L"Иванов/Петя"}}, oldRows(L"Иванов/Петя")), newRows)},
        // The first student whose name fits the lossy name claims it; the next
        // gets a worksheet of their own.
        {L"Zo_", with(with({{L"Ученик", L"Zoë"}}, oldRows(L"Zo?")), newRows)},
        {L"Вова", oldRows(L"Вова")},
        // Two names that Excel takes for one: the one written to is renamed.
        {L"вова (2)", with(with({{L"Ученик", L"вова"}}, oldRows(L"вова")), newRows)},
        {L"Zo_ (2)", with({{L"Ученик", L"Zoé"}}, newRows)},
    };
    EXPECT_EQ(sheets, expected);
}

} // namespace
