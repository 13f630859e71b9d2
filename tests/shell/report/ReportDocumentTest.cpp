// Tests of the report workbook: the template, sheets and rows, the text rules,
// where the file goes, and that no failure ever costs the file on disk.
#include "shell/report/ReportDocument.h"

#include "platform/Clock.h"
#include "platform/print/HeadlessPrintContext.h"
#include "shell/report/ReportOperations.h"
#include "shell/report/ReportStorage.h"
#include "shell/report/ReportTemplate.h"
#include "tests/shell/report/ReportTestFolder.h"
#include "tests/shell/report/WorkbookReader.h"

#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

using namespace xercesc;
using testing::HasSubstr;
using testing::Not;

namespace {

std::string ExpectedWorkbook(const std::string& worksheets) {
    const auto& items = EmptyXmlItems();
    std::string text =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="no" ?><?mso-application progid="Excel.Sheet"?>)"
        R"(<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet" xmlns:html="http://www.w3.org/TR/REC-html40" )"
        R"(xmlns:o="urn:schemas-microsoft-com:office:office" xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet" )"
        R"(xmlns:x="urn:schemas-microsoft-com:office:excel">)";
    for (size_t i = 7; i < 34; ++i)
        text += std::string(kEmptyXmlSeparator) + std::string(items[i]);
    return text + std::string(kEmptyXmlSeparator) + worksheets + "</Workbook>";
}

// The files of a folder but the lock file that saves leave behind on purpose.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (!entry.path().filename().string().ends_with(".xls.lock"))
            files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    return files;
}

class ReportDocumentTest : public testing::Test {
protected:
    std::filesystem::path DefaultFile() const { return folder.Reports() / PathOf(kReportTitle + L".xls"); }

    std::unique_ptr<ReportDocument> Open(const std::wstring& student) {
        return PrepareReportDocument(student, kReportTitle);
    }

    // One complete run of two rows for the student, saved at exit.
    void SaveRun(const std::wstring& student, const std::wstring& value) {
        auto report = Open(student);
        AddStatistic(report.get(), L"Время начала работы с упражнением", value, L"String");
        AddStatistic(report.get(), L"Количество дополнительных вызовов инструкций", L"0", L"Number");
        report->FinishRun();
        ASSERT_TRUE(SaveReportOnExit(report.get()));
    }

    ReportTestFolder folder;
};

TEST(ReportTemplateTest, IsThirtyFiveItemsJoinedBySevenTabsAndASpace) {
    const std::string& text = EmptyXml();
    EXPECT_EQ(text.size(), 1322u);
    EXPECT_EQ(text.c_str()[1322], '\0');
    EXPECT_EQ(kEmptyXmlSeparator, "\t\t\t\t\t\t\t ");

    std::vector<std::string> pieces;
    for (size_t start = 0;;) {
        const size_t end = text.find(kEmptyXmlSeparator, start);
        pieces.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + kEmptyXmlSeparator.size();
    }
    ASSERT_EQ(pieces.size(), 35u);
    for (size_t i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(pieces[i], EmptyXmlItems()[i]) << "item " << i + 1;
    EXPECT_EQ(pieces[0], R"(<?xml version="1.0"?>)");
    EXPECT_EQ(pieces[6], R"(xmlns:html="http://www.w3.org/TR/REC-html40">)");
    EXPECT_EQ(pieces[34], "</Workbook>");
}

TEST_F(ReportDocumentTest, FirstSaveCreatesTheFolderAndWritesTheTemplateWithTheStudentsSheet) {
    auto report = Open(L"Иван");
    EXPECT_TRUE(std::filesystem::is_directory(folder.Reports()));
    EXPECT_EQ(report->FilePath(), platform::NarrowAnsi(Utf8ToWideForTest(DefaultFile())));
    report->AddRow(L"Время", L"5", L"Number");
    report->FinishRun();
    ASSERT_TRUE(report->Save(L""));

    EXPECT_EQ(ReportTestFolder::Read(DefaultFile()),
              ExpectedWorkbook(
                  R"(<Worksheet ss:Name="Иван"><Table>)"
                  R"(<Column ss:AutoFitWidth="0" ss:Width="240"/><Column ss:AutoFitWidth="0" ss:Width="96"/>)"
                  R"(<Row><Cell><Data ss:Type="String">Время</Data></Cell><Cell><Data ss:Type="Number">5</Data></Cell></Row>)"
                  R"(<Row/></Table></Worksheet>)"));
}

TEST_F(ReportDocumentTest, SecondStudentAddsASheetAndLeavesTheFirstAsItWas) {
    SaveRun(L"Аня", L"05-March-2008 14:07");
    const std::string first = ReportTestFolder::Read(DefaultFile());
    SaveRun(L"Борис", L"06-March-2008 09:00");
    const std::string both = ReportTestFolder::Read(DefaultFile());

    const size_t end = first.rfind("</Workbook>");
    EXPECT_EQ(both.substr(0, end), first.substr(0, end));
    const auto sheets = ReadSheets(DefaultFile());
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].first, L"Аня");
    EXPECT_EQ(sheets[1].first, L"Борис");
    EXPECT_EQ(sheets[1].second[0][1], L"06-March-2008 09:00");
}

TEST_F(ReportDocumentTest, SameStudentContinuesAfterThePreviousRunsEmptyRow) {
    SaveRun(L"Аня", L"first");
    SaveRun(L"Аня", L"second");

    const auto sheets = ReadSheets(DefaultFile());
    ASSERT_EQ(sheets.size(), 1u);
    const Rows& rows = sheets[0].second;
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0][1], L"first");
    EXPECT_TRUE(rows[2].empty());
    EXPECT_EQ(rows[3][1], L"second");
    EXPECT_TRUE(rows[5].empty());
}

TEST_F(ReportDocumentTest, DocumentsMayOverlapAndFollowOneAnother) {
    // The XML library is initialised once per document; a document that goes
    // must not take the library away from one still open.
    auto first = Open(L"Аня");
    {
        auto second = Open(L"Борис");
        second->AddRow(L"a", L"1", L"Number");
        EXPECT_TRUE(second->Save(L""));
    }
    first->AddRow(L"b", L"2", L"Number");
    EXPECT_TRUE(first->Save(L""));
    first.reset();
    auto third = Open(L"Борис");
    EXPECT_TRUE(third->Save(L""));
    // Аня's document was opened before Борис saved; her save takes his
    // worksheet in instead of replacing it.
    const auto sheets = ReadSheets(DefaultFile());
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].first, L"Борис");
    EXPECT_EQ(sheets[0].second, (Rows{{L"a", L"1"}}));
    EXPECT_EQ(sheets[1].first, L"Аня");
    EXPECT_EQ(sheets[1].second, (Rows{{L"b", L"2"}}));
}

TEST_F(ReportDocumentTest, TextOutsideTheReportsCharactersBecomesAQuestionMarkOrApostrophe) {
    struct Case {
        std::wstring typed;
        std::wstring stored;
    };
    const Case cases[] = {
        {L"Маша \"Ёж\"", L"Маша 'Ёж'"},
        {L"Zoë Łukasz", L"Zo? ?ukasz"},
        {L"A\x01" L"B\x1b" L"C\x7" L"D", L"A?B?C?D"},          // Ctrl+A, Esc, Ctrl+G
        {L"x\xD83D\xDE00y", L"x??y"},                           // a character outside the BMP
        {L"\xD800" L"a\xFFFE" L"b\xFFFF", L"?a?b?"},            // lone surrogate, non-characters
        {L"tab\tkept", L"tab\tkept"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.stored));
        std::filesystem::remove(DefaultFile());
        {
            auto report = Open(c.typed);
            report->AddRow(c.typed, c.typed, L"String");
            ASSERT_TRUE(report->Save(L""));
        }
        // The worksheet's name follows the naming rule (WorksheetNamesTest);
        // the rows hold the report's 8-bit text.
        auto sheets = ReadSheets(DefaultFile());
        ASSERT_EQ(sheets.size(), 1u);
        EXPECT_EQ(sheets[0].second.back(), (std::vector<std::wstring>{c.stored, c.stored}));

        // Reopening with the same typed name finds the stored sheet again.
        auto again = Open(c.typed);
        again->AddRow(L"next", L"1", L"Number");
        ASSERT_TRUE(again->Save(L""));
        sheets = ReadSheets(DefaultFile());
        ASSERT_EQ(sheets.size(), 1u);
        EXPECT_EQ(sheets[0].second.back(), (std::vector<std::wstring>{L"next", L"1"}));
    }
}

TEST_F(ReportDocumentTest, SaveAsWritesElsewhereAndLeavesTheDefaultPathAlone) {
    auto report = Open(L"Аня");
    const std::wstring defaultPath = SaveAsFieldText(*report);
    EXPECT_EQ(defaultPath, Utf8ToWideForTest(DefaultFile()));

    const std::filesystem::path other = folder.Root() / u8"копия.xls";
    ASSERT_EQ(SaveReportAs(report.get(), Utf8ToWideForTest(other), false), SaveAsOutcome::Saved);
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_FALSE(std::filesystem::exists(DefaultFile()));
    EXPECT_EQ(SaveAsFieldText(*report), defaultPath);

    ASSERT_EQ(SaveReportAs(report.get(), L"", false), SaveAsOutcome::Saved);  // an emptied field means the default file
    EXPECT_TRUE(std::filesystem::exists(DefaultFile()));
}

TEST_F(ReportDocumentTest, WithoutAConfirmedNameNothingIsWritten) {
    auto report = Open(L"");
    EXPECT_EQ(report, nullptr);
    AddStatistic(report.get(), L"a", L"1", L"Number");
    EXPECT_FALSE(SaveReportOnExit(report.get()));
    EXPECT_TRUE(FilesIn(folder.Data()).empty());
}

TEST_F(ReportDocumentTest, AFailedSaveKeepsTheOldFileByteForByte) {
    SaveRun(L"Аня", L"first");
    const std::string before = ReportTestFolder::Read(DefaultFile());
    auto report = Open(L"Аня");
    report->AddRow(L"more", L"1", L"Number");

    struct Failure {
        const char* what;
        std::function<bool()> save;
    };
    const std::filesystem::path asDirectory = folder.Reports() / "folder.xls";
    std::filesystem::create_directory(asDirectory);
    const Failure failures[] = {
        {"disk full at once", [&] { SimulatedDiskFull full(0); return report->Save(L""); }},
        {"disk full midway", [&] { SimulatedDiskFull full(before.size() / 2); return report->Save(L""); }},
        {"missing folder", [&] { return report->Save(Utf8ToWideForTest(folder.Root() / "none" / "x.xls")); }},
        {"target is a folder", [&] { return report->Save(Utf8ToWideForTest(asDirectory)); }},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.what);
        testing::internal::CaptureStderr();
        EXPECT_FALSE(failure.save());
        EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("not saved"));
        EXPECT_EQ(ReportTestFolder::Read(DefaultFile()), before);
        EXPECT_EQ(FilesIn(folder.Reports()),
                  (std::vector<std::filesystem::path>{DefaultFile().filename(), "folder.xls"}))
            << "no temporary file is left behind";
    }
    EXPECT_TRUE(std::filesystem::is_empty(asDirectory));
    EXPECT_TRUE(report->Save(L""));
    EXPECT_NE(ReportTestFolder::Read(DefaultFile()), before);
}

TEST_F(ReportDocumentTest, ASymbolicLinkAtTheTargetIsReplacedNotWrittenThrough) {
    const std::filesystem::path elsewhere = folder.Root() / "elsewhere.txt";
    ReportTestFolder::Write(elsewhere, "not a workbook, and not ours");
    std::filesystem::create_directories(folder.Reports());
    const std::filesystem::path link = folder.Reports() / "link.xls";
    std::filesystem::create_symlink(elsewhere, link);

    ReportDocument report(Utf8ToWideForTest(folder.Reports() / "fresh.xls"), L"Аня");
    ASSERT_TRUE(report.Save(Utf8ToWideForTest(link)));
    EXPECT_EQ(ReportTestFolder::Read(elsewhere), "not a workbook, and not ours");
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(link)));
    EXPECT_EQ(ReadSheets(link).size(), 1u);
}

TEST_F(ReportDocumentTest, ExternalEntitiesAndDtdsAreNeverFetched) {
    const std::filesystem::path secret = folder.Root() / "secret.txt";
    ReportTestFolder::Write(secret, "TOP-SECRET");
    const std::filesystem::path dtd = folder.Root() / "secret.dtd";
    ReportTestFolder::Write(dtd, "<!ENTITY leak SYSTEM \"file://" + secret.string() + "\">");
    const std::string sheet = R"(<Worksheet ss:Name="Аня"><Table><Row><Cell><Data ss:Type="String">)";
    const std::string cases[] = {
        "<!DOCTYPE Workbook [<!ENTITY leak SYSTEM \"file://" + secret.string() + "\">]>",
        "<!DOCTYPE Workbook [<!ENTITY % outer SYSTEM \"file://" + dtd.string() + "\"> %outer;]>",
        "<!DOCTYPE Workbook SYSTEM \"file://" + dtd.string() + "\">",
    };
    for (const std::string& doctype : cases) {
        SCOPED_TRACE(doctype);
        ReportTestFolder::Write(DefaultFile(), "<?xml version=\"1.0\"?>" + doctype + "<Workbook>" +
                                                   sheet + "&leak;</Data></Cell></Row></Table></Worksheet></Workbook>");
        testing::internal::CaptureStderr();
        auto report = Open(L"Аня");
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        platform::HeadlessPrintContext printer;
        report->Print(printer, {});
        for (const auto& run : printer.Documents().at(0).runs)
            EXPECT_THAT(Utf8(run.text), Not(HasSubstr("TOP-SECRET")));
        ASSERT_TRUE(report->Save(L""));
        EXPECT_THAT(ReportTestFolder::Read(DefaultFile()), Not(HasSubstr("TOP-SECRET")));
        EXPECT_THAT(diagnostics, Not(HasSubstr("TOP-SECRET")));
    }
}

// What a document type gives a workbook (entity texts, default attribute
// values, "&amp;" in either) stays in it, and the saved file opens again.
TEST_F(ReportDocumentTest, AWorkbookWithADocumentTypeIsSavedSoThatItOpensAgain) {
    ReportTestFolder::Write(
        DefaultFile(),
        "<?xml version=\"1.0\"?><!DOCTYPE Workbook [<!ENTITY e \"x&amp;y\">"
        "<!ATTLIST Worksheet ss:Name CDATA \"Иванов&amp;Петров\">]>"
        "<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\" "
        "xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\"><Worksheet><Table><Row>"
        "<Cell><Data ss:Type=\"String\">&e;</Data></Cell></Row></Table></Worksheet></Workbook>");
    for (int save = 1; save <= 2; ++save) {
        SCOPED_TRACE(save);
        testing::internal::CaptureStderr();
        auto report = Open(L"Аня");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        AddStatistic(report.get(), L"Время", L"12", L"Number");
        report->FinishRun();
        ASSERT_TRUE(SaveReportOnExit(report.get()));
    }
    const Sheets sheets = ReadSheets(DefaultFile());
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].first, L"Иванов&Петров");
    EXPECT_EQ(sheets[0].second, Rows{{L"x&y"}});
    EXPECT_EQ(sheets[1].first, L"Аня");
    EXPECT_EQ(FilesIn(folder.Reports()), std::vector{DefaultFile().filename()}) << "nothing moved aside";
}

TEST_F(ReportDocumentTest, ADamagedWorkbookIsMovedAsideAndKept) {
    platform::ManualClock clock;  // 05-Mar-2008 14:07 UTC
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    SaveRun(L"Аня", L"first");
    const std::string good = ReportTestFolder::Read(DefaultFile());

    std::string bomb = "<?xml version=\"1.0\"?><!DOCTYPE Workbook [<!ENTITY a \"aaaaaaaaaa\">";
    for (char level = 'b'; level <= 'j'; ++level)
        bomb += std::string("<!ENTITY ") + level + " \"" +
                [&] { std::string refs; for (int i = 0; i < 10; ++i) refs += std::string("&") + char(level - 1) + ";"; return refs; }() + "\">";
    bomb += "]><Workbook>&j;</Workbook>";
    const std::pair<const char*, std::string> damaged[] = {
        {"truncated", good.substr(0, good.size() / 2)},
        {"empty", ""},
        {"not XML", std::string("\x89PNG\r\n\x1a\n\0\0", 10)},
        {"another document", "<?xml version=\"1.0\"?><html><body>notes</body></html>"},
        {"entity bomb", bomb},
        // The serializer cannot write the control character back: every save would fail.
        {"XML 1.1",
         "<?xml version=\"1.1\"?><Workbook><Worksheet ss:Name=\"x\"><Table><Row><Cell>"
         "<Data ss:Type=\"String\">&#x1;</Data></Cell></Row></Table></Worksheet></Workbook>"},
    };
    std::vector<std::filesystem::path> expected{DefaultFile().filename()};
    int counter = 0;
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        ReportTestFolder::Write(DefaultFile(), bytes);
        testing::internal::CaptureStderr();
        auto report = Open(L"Борис");
        EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("is not a readable workbook"));

        std::string name = Utf8(kReportTitle) + ".damaged-2008-03-05T14-07-00";
        if (++counter > 1)
            name += "-" + std::to_string(counter);
        const std::filesystem::path aside = folder.Reports() / (name + ".xls");
        EXPECT_EQ(ReportTestFolder::Read(aside), bytes);
        expected.push_back(aside.filename());

        ASSERT_TRUE(report->Save(L""));
        const auto sheets = ReadSheets(DefaultFile());
        ASSERT_EQ(sheets.size(), 1u);
        EXPECT_EQ(sheets[0].first, L"Борис");
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesIn(folder.Reports()), expected) << "every damaged copy is kept";
}

TEST_F(ReportDocumentTest, ADamagedWorkbookThatCannotBeMovedAsideIsNeverOverwritten) {
    platform::ManualClock clock;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    std::filesystem::create_directories(folder.Reports());
    ReportTestFolder::Write(DefaultFile(), "damaged");
    // Every name the damaged copy could take is in use already.
    const std::string stamp = Utf8(kReportTitle) + ".damaged-2008-03-05T14-07-00";
    ReportTestFolder::Write(folder.Reports() / (stamp + ".xls"), "");
    for (int counter = 2; counter < 1000; ++counter)
        ReportTestFolder::Write(folder.Reports() / (stamp + "-" + std::to_string(counter) + ".xls"), "");

    testing::internal::CaptureStderr();
    auto report = Open(L"Аня");
    report->AddRow(L"a", L"1", L"Number");
    EXPECT_FALSE(SaveReportOnExit(report.get()));
    EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("will not be overwritten"));
    EXPECT_EQ(ReportTestFolder::Read(DefaultFile()), "damaged");

    const std::filesystem::path other = folder.Root() / "other.xls";
    EXPECT_EQ(SaveReportAs(report.get(), Utf8ToWideForTest(other), false), SaveAsOutcome::Saved)
        << "Save As still works";
    EXPECT_EQ(ReadSheets(other).at(0).second, (Rows{{L"a", L"1"}}));
}

TEST_F(ReportDocumentTest, ManyEscapedCharactersAreNotMistakenForAnEntityBomb) {
    auto report = Open(L"Аня & <Борис>");
    for (int i = 0; i < 6000; ++i)
        report->AddRow(L"a<b & c>d", L"1 & 2", L"String");
    ASSERT_TRUE(report->Save(L""));
    report.reset();

    testing::internal::CaptureStderr();
    auto again = Open(L"Аня & <Борис>");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(again->Save(L""));
    const auto sheets = ReadSheets(DefaultFile());
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].second.size(), 6000u);
}

TEST_F(ReportDocumentTest, TheFileGoesToTheCurrentFolderWhenTheSharedOneIsUnusable) {
    const std::string file = Utf8(kReportTitle) + ".xls";
    // XDG_DATA_HOME naming a plain file: ZUVR cannot be created beneath it.
    ReportTestFolder::Write(folder.Root() / "plain", "");
    ::setenv("XDG_DATA_HOME", (folder.Root() / "plain").c_str(), 1);
    EXPECT_EQ(ReportFilePath(kReportTitle), kReportTitle + L".xls");

    // A relative XDG_DATA_HOME is ignored in favour of ~/.local/share, which
    // is created with its parents.
    ::setenv("XDG_DATA_HOME", "relative", 1);
    const std::filesystem::path home = folder.Root() / "home";
    EXPECT_EQ(ReportFilePath(kReportTitle),
              Utf8ToWideForTest(home / ".local" / "share" / "ZUVR" / file));
    EXPECT_TRUE(std::filesystem::is_directory(home / ".local" / "share" / "ZUVR"));

    // A folder name the report's 8-bit paths cannot spell.
    const std::filesystem::path foreign = folder.Root() / u8"Zoë";
    ::setenv("XDG_DATA_HOME", foreign.c_str(), 1);
    EXPECT_EQ(ReportFilePath(kReportTitle), kReportTitle + L".xls");
}

// One workbook per computer: each child, under an account of its own in the
// machine folder's group, adds a worksheet to the same file, even with a
// private umask and the folder of workbooks not made yet.
TEST_F(ReportDocumentTest, EveryAccountOfTheMachineFoldersGroupWritesTheOneWorkbook) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as two accounts needs root";
    constexpr gid_t kClassGroup = 60000;
    const std::filesystem::path machine = folder.Root() / "machine";
    std::filesystem::create_directories(machine);
    ASSERT_EQ(::chmod(folder.Root().c_str(), 0755), 0);
    ASSERT_EQ(::chown(machine.c_str(), 0, kClassGroup), 0);
    ASSERT_EQ(::chmod(machine.c_str(), 02775), 0);
    const std::filesystem::path workbook = machine / "ZUVR" / PathOf(kReportTitle + L".xls");

    struct Run {
        uid_t account;
        std::wstring student;
    };
    for (const Run& run : {Run{60001, L"Аня"}, Run{60002, L"Борис"}, Run{60001, L"Аня"}}) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            const gid_t groups[] = {kClassGroup};
            if (::setgroups(1, groups) != 0 || ::setresgid(run.account, run.account, run.account) != 0 ||
                ::setresuid(run.account, run.account, run.account) != 0)
                ::_exit(2);
            ::umask(077);
            if (ReportFilePath(kReportTitle) != Utf8ToWideForTest(workbook))
                ::_exit(3);
            auto report = PrepareReportDocument(run.student, kReportTitle);
            AddStatistic(report.get(), L"Время начала работы с упражнением", L"10:00", L"String");
            report->FinishRun();
            ::_exit(SaveReportOnExit(report.get()) ? 0 : 4);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0) << Utf8(run.student) << " under account " << run.account;
    }

    const auto sheets = ReadSheets(workbook);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].first, L"Аня");
    EXPECT_EQ(sheets[1].first, L"Борис");
    EXPECT_GT(sheets[0].second.size(), sheets[1].second.size()) << "Аня's second run is kept";
    struct stat status {};
    ASSERT_EQ(::stat(workbook.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 60001u) << "the last save replaced Борис's file";
    EXPECT_EQ(status.st_gid, kClassGroup);
    EXPECT_EQ(status.st_mode & 0777, 0660u);
}

} // namespace
