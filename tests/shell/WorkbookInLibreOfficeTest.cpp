// The workbook as teachers open it: runs of several students, their names as
// children type them, written through the program's own handlers and read
// back by LibreOffice Calc in headless mode, worksheet by worksheet.
#include "tests/shell/ShellWindow.h"

#include "shell/report/ReportDocument.h"
#include "tests/shell/report/StudentNames.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

namespace {

namespace fs = std::filesystem;

using CsvRows = std::vector<std::vector<std::string>>;

// Comma-separated fields, quoted where LibreOffice quotes them.
CsvRows ParseCsv(const std::string& text) {
    CsvRows rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
        } else if (c == '\n') {
            row.push_back(field);
            field.clear();
            // An empty row of the sheet comes out as a line of empty fields.
            bool empty = true;
            for (const std::string& cell : row)
                empty = empty && cell.empty();
            if (!empty)
                rows.push_back(row);
            row.clear();
        } else if (c != '\r') {
            field += c;
        }
    }
    return rows;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

class WorkbookInLibreOfficeTest : public ShellWindowTest {
protected:
    // One run of the student through the program's handlers: the name
    // confirmed, the rows of the run, the results screen (which saves it).
    void Run(const std::wstring& student, int run) {
        app->PrepareReport(student);
        app->SetStudentName(student);
        app->AddStatistic(L"Время начала работы с упражнением", L"05-March-2008 14:0" + std::to_wstring(run),
                          L"String");
        for (int treasure = 1; treasure <= 3; ++treasure)
            app->AddStatistic(L"Сокровище " + std::to_wstring(treasure) + L", с.",
                              std::to_wstring(run * 10 + treasure), L"Number");
        app->AddStatistic(L"Количество дополнительных вызовов инструкций", std::to_wstring(run), L"Number");
        app->AddStatistic(L"Общее время работы с упражнением. с.", L"3" + std::to_wstring(run), L"Number");
        app->report->FinishRun();
        app->ShowResultsScreen();
        Pass();
    }

    static std::vector<std::string> RunRows(int run) {
        std::vector<std::string> rows{"Время начала работы с упражнением", "05-March-2008 14:0" + std::to_string(run)};
        return rows;
    }
};

TEST_F(WorkbookInLibreOfficeTest, EveryWorksheetRowAndNameSurvivesInLibreOfficeCalc) {
    if (std::system("command -v soffice > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "LibreOffice Calc is not installed (Debian package libreoffice-calc-nogui, "
                        "which tools/install-deps.sh installs); the workbook was not read back";

    const auto& cases = StudentNameCases();
    for (int run = 1; run <= 2; ++run)
        for (const StudentNameCase& c : cases)
            Run(c.typed, run);
    // The program closes from the last results screen; the exit save runs.
    Click(700, 510);
    ASSERT_TRUE(quit);

    const fs::path out = folder.Root() / "csv";
    fs::create_directories(out);
    const fs::path book = out / "book.xls";
    fs::copy_file(DefaultFile(), book);
    const std::string command =
        "cd " + ShellQuote(out.string()) + " && timeout 300 soffice -env:UserInstallation=file://" +
        (folder.Root() / "lo-profile").string() +
        " --headless --convert-to "
        "'csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1' "
        "--outdir . book.xls > soffice.log 2>&1";
    std::system(command.c_str());

    std::map<std::string, CsvRows> sheets;
    for (const auto& entry : fs::directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("book-") && entry.path().extension() == ".csv")
            sheets[name.substr(5, name.size() - 9)] = ParseCsv(ReportTestFolder::Read(entry.path()));
    }
    ASSERT_EQ(sheets.size(), cases.size()) << ReportTestFolder::Read(out / "soffice.log");

    for (const StudentNameCase& c : cases) {
        SCOPED_TRACE(c.what);
        const auto sheet = sheets.find(Utf8(c.sheet));
        ASSERT_NE(sheet, sheets.end()) << "LibreOffice keeps the worksheet's name";
        CsvRows expected;
        if (!c.studentRow.empty())
            expected.push_back({"Ученик", Utf8(c.studentRow)});
        for (int run = 1; run <= 2; ++run) {
            expected.push_back(RunRows(run));
            for (int treasure = 1; treasure <= 3; ++treasure)
                expected.push_back({"Сокровище " + std::to_string(treasure) + ", с.",
                                    std::to_string(run * 10 + treasure)});
            expected.push_back({"Количество дополнительных вызовов инструкций", std::to_string(run)});
            expected.push_back({"Общее время работы с упражнением. с.", "3" + std::to_string(run)});
        }
        EXPECT_EQ(sheet->second, expected);
    }
}

} // namespace
