// The save when the program closes, on a disk that is full or a folder that
// has become read-only: the workbook on disk stays as it was, the run's rows
// go to a kept-rows file whose place is said on stderr, the next start screen
// says so, and the next save takes the rows into the workbook.
#include "tests/shell/ShellFixture.h"

#include "shell/report/KeptRows.h"
#include "tests/shell/report/PrivateMount.h"
#include "tests/shell/report/WorkbookReader.h"

#include <gmock/gmock.h>

#include <functional>
#include <map>
#include <sstream>

using testing::HasSubstr;

namespace {

class ExitSaveFaultTest : public ShellTest {
public:
    Dialog* OpenStartScreen() {
        app->ShowStartScreen();
        Pass();
        return TopScreen();
    }
    // One program's run: the name typed on the start screen, Start, the step
    // with one row of its own.
    void Run(const char* name, const std::wstring& value) {
        Dialog* screen = OpenStartScreen();
        Type(name);
        ClickAt(ButtonOf(screen, L"StartPopStartButton")->GetRect());
        app->NextStep();
        Pass();
        app->AddStatistic(L"Сундук", value, L"Number");
    }
    void CloseProgram() {
        MainWindow->Close(IMEvent(MainWindow, IMEventCode::Close));
        Pass(2);
        ASSERT_TRUE(quit);
    }
    // The program ends and starts again on the same folders.
    void StartAgain() {
        TearDown();
        quit = false;
        SetUp();
    }
    // The warning lines of a screen (a text in the warning colour).
    static std::vector<Label*> Warnings(const Dialog* screen) {
        std::vector<Label*> found;
        for (Label* label : All<Label>(screen))
            if (label->color == 0xFFA00000u)
                found.push_back(label);
        return found;
    }

    // The fault comes after Борис's run has started and goes before the
    // program starts again.
    void ExitSaveUnder(PrivateMount& mount, const std::function<void()>& fault,
                       const std::function<void()>& mend) {
        Run("Аня", L"1");
        CloseProgram();
        const std::string before = ReportTestFolder::Read(Workbook());
        ASSERT_FALSE(before.empty());

        StartAgain();
        Run("Борис", L"2");
        fault();
        testing::internal::CaptureStderr();
        CloseProgram();
        const std::string diagnostics = testing::internal::GetCapturedStderr();
        EXPECT_EQ(ReportTestFolder::Read(Workbook()), before) << "nothing on disk is lost";

        const std::vector<KeptRows> kept = FindKeptRows(kTestTitle);
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].studentName, L"Борис");
        EXPECT_EQ(kept[0].file.parent_path(), folder.State() / "ZUVR");
        std::istringstream lines(diagnostics);
        int placeLines = 0;
        for (std::string line; std::getline(lines, line);)
            placeLines +=
                line.find("they were kept in " + kept[0].file.string()) != std::string::npos;
        EXPECT_EQ(placeLines, 1) << diagnostics;
        const Sheets keptSheets = ReadSheets(kept[0].file);
        ASSERT_EQ(keptSheets.size(), 1u);
        EXPECT_EQ(keptSheets[0].second.at(1), (std::vector<std::wstring>{L"Сундук", L"2"}));

        mend();
        StartAgain();
        const Dialog* start = OpenStartScreen();
        const std::vector<Label*> warnings = Warnings(start);
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_EQ(warnings[0]->GetText(), KeptRowsNotice(kept[0]));
        // Below every text of the designed screen, and inside it.
        const platform::Rect place = warnings[0]->GetRect();
        EXPECT_GE(place.top, 545);
        EXPECT_LE(place.bottom, 600);
        for (Label* label : All<Label>(start)) {
            if (label != warnings[0]) {
                EXPECT_LE(label->GetRect().bottom, place.top) << Utf8(label->GetText());
            }
        }

        // The next run's save takes the kept rows in, and the notice goes.
        Run("Вера", L"3");
        testing::internal::CaptureStderr();
        app->ShowResultsScreen();
        Pass();
        EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("are now in"));
        EXPECT_TRUE(FindKeptRows(kTestTitle).empty());
        EXPECT_FALSE(std::filesystem::exists(kept[0].file));
        std::map<std::wstring, ::Rows> sheets;
        for (const auto& [name, rows] : ReadSheets(Workbook()))
            sheets[name] = rows;
        EXPECT_EQ(sheets.size(), 3u);
        EXPECT_EQ(sheets[L"Аня"].at(1).at(1), L"1");
        EXPECT_EQ(sheets[L"Борис"], keptSheets[0].second);
        EXPECT_EQ(sheets[L"Вера"].at(1).at(1), L"3");
        CloseProgram();

        StartAgain();
        EXPECT_TRUE(Warnings(OpenStartScreen()).empty());
    }
};

TEST_F(ExitSaveFaultTest, AFullDiskLosesNothingAndTheRowsComeBackAtTheNextSave) {
    PrivateMount mount(folder.Reports(), 256 * 1024);
    if (!mount.Made())
        GTEST_SKIP() << "no small file system for the full disk: " << mount.WhyNot();
    ExitSaveUnder(
        mount, [&] { mount.Fill(); }, [&] { mount.Unfill(); });
}

TEST_F(ExitSaveFaultTest, AReadOnlyFolderLosesNothingAndTheRowsComeBackAtTheNextSave) {
    PrivateMount mount(folder.Reports(), 256 * 1024);
    if (!mount.Made())
        GTEST_SKIP() << "no file system of its own to make read-only: " << mount.WhyNot();
    ExitSaveUnder(
        mount, [&] { ASSERT_TRUE(mount.SetReadOnly(true)); },
        [&] { ASSERT_TRUE(mount.SetReadOnly(false)); });
}

} // namespace
