// Programs sharing one workbook (two children at two computers with the
// shared folder on a network share): every save takes in what the others
// saved, so nobody's rows are lost, whether they save in turn or at once.
#include "shell/report/ReportDocument.h"

#include "platform/files/FileLock.h"
#include "shell/report/ReportOperations.h"
#include "tests/shell/report/ReportTestFolder.h"
#include "tests/shell/report/WorkbookReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>

using testing::HasSubstr;
using testing::Not;

namespace {

using namespace std::chrono_literals;

class ReportMergeTest : public testing::Test {
protected:
    std::filesystem::path DefaultFile() const { return folder.Reports() / PathOf(kReportTitle + L".xls"); }

    std::unique_ptr<ReportDocument> Open(const std::wstring& student) {
        return PrepareReportDocument(student, kReportTitle);
    }

    // The program of one computer, in a child process: opens the report for
    // the student once, then saves after each of `runs` rows, as the results
    // screen does after every run. With a `done` pipe it takes turns: it
    // reports through `done` when it has opened the report and after each
    // save, and waits for a byte on `go` before each run. Without one it
    // waits until the parent closes `go`, then runs straight through.
    pid_t Program(const std::wstring& student, const std::wstring& who, int runs, const int go[2],
                  const int* done) {
        const pid_t child = ::fork();
        if (child != 0)
            return child;
        ::close(go[1]);
        char byte = 0;
        if (done == nullptr)
            (void)::read(go[0], &byte, 1);
        int failures = 0;
        {
            auto report = Open(student);
            if (done)
                (void)::write(done[1], &byte, 1);
            for (int run = 0; run < runs; ++run) {
                if (done && ::read(go[0], &byte, 1) != 1)
                    ::_exit(2);
                report->AddRow(who, std::to_wstring(run), L"Number");
                failures += report->Save(L"") ? 0 : 1;
                if (done)
                    (void)::write(done[1], &byte, 1);
            }
        }
        ::_exit(failures == 0 ? 0 : 1);
    }

    // The values each program wrote, by its name, in the order they stand in
    // the student's worksheet.
    static std::map<std::wstring, std::vector<int>> RowsByProgram(const Rows& rows) {
        std::map<std::wstring, std::vector<int>> values;
        for (const auto& row : rows)
            values[row.at(0)].push_back(std::stoi(row.at(1)));
        return values;
    }

    static std::vector<int> Count(int n) {
        std::vector<int> values(n);
        for (int i = 0; i < n; ++i)
            values[i] = i;
        return values;
    }

    void ExpectEveryRow(int runs) {
        const Sheets sheets = ReadSheets(DefaultFile());
        std::map<std::wstring, std::map<std::wstring, std::vector<int>>> bySheet;
        for (const auto& [name, rows] : sheets)
            bySheet[name] = RowsByProgram(rows);
        ASSERT_EQ(sheets.size(), 2u);
        // Two computers where Аня works, one where Борис does.
        EXPECT_EQ(bySheet[L"Аня"], (std::map<std::wstring, std::vector<int>>{
                                       {L"first", Count(runs)}, {L"third", Count(runs)}}));
        EXPECT_EQ(bySheet[L"Борис"],
                  (std::map<std::wstring, std::vector<int>>{{L"second", Count(runs)}}));
        for (const auto& entry : std::filesystem::directory_iterator(folder.Reports()))
            EXPECT_THAT(entry.path().filename().string(), Not(HasSubstr(".saving-")))
                << "no temporary file is left behind";
    }

    static bool Succeeded(pid_t child) {
        int status = 0;
        return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

    ReportTestFolder folder;
};

TEST_F(ReportMergeTest, ProgramsSavingInTurnKeepEachOthersRows) {
    // Three programs open the workbook, then save one after another, run by
    // run: every save finds the file changed by the others since it last
    // read it.
    std::filesystem::create_directories(folder.Reports());
    const int runs = 5;
    struct Running {
        pid_t pid;
        int go[2];
        int done[2];
    };
    std::vector<Running> programs;
    for (auto [student, who] : {std::pair{L"Аня", L"first"}, {L"Борис", L"second"}, {L"Аня", L"third"}}) {
        Running program{};
        ASSERT_EQ(::pipe(program.go), 0);
        ASSERT_EQ(::pipe(program.done), 0);
        program.pid = Program(student, who, runs, program.go, program.done);
        programs.push_back(program);
    }
    char byte = 0;
    for (const Running& program : programs)
        ASSERT_EQ(::read(program.done[0], &byte, 1), 1) << "opened";
    for (int run = 0; run < runs; ++run)
        for (const Running& program : programs) {
            ASSERT_EQ(::write(program.go[1], &byte, 1), 1);
            ASSERT_EQ(::read(program.done[0], &byte, 1), 1) << "saved";
        }
    for (const Running& program : programs) {
        EXPECT_TRUE(Succeeded(program.pid));
        for (int fd : {program.go[0], program.go[1], program.done[0], program.done[1]})
            ::close(fd);
    }
    ExpectEveryRow(runs);
}

TEST_F(ReportMergeTest, ProgramsSavingAtOnceKeepEachOthersRows) {
    std::filesystem::create_directories(folder.Reports());
    const int runs = 25;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> programs;
    for (auto [student, who] : {std::pair{L"Аня", L"first"}, {L"Борис", L"second"}, {L"Аня", L"third"}})
        programs.push_back(Program(student, who, runs, start, nullptr));
    // Closing the pipe lets all three start at the same moment.
    ::close(start[1]);
    for (pid_t program : programs)
        EXPECT_TRUE(Succeeded(program));
    ::close(start[0]);
    ExpectEveryRow(runs);
}

TEST_F(ReportMergeTest, ASaveWaitsWhileAnotherProgramHoldsTheLock) {
    auto report = Open(L"Аня");
    report->AddRow(L"first", L"0", L"Number");
    int held[2];
    ASSERT_EQ(::pipe(held), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        std::string error;
        int code = 0;
        platform::FileLock lock = platform::LockForReplacing(DefaultFile(), 5s, error, code);
        ::close(held[1]);
        ::usleep(300'000);
        ::_exit(lock ? 0 : 1);
    }
    ::close(held[1]);
    char byte;
    (void)::read(held[0], &byte, 1);  // the holder has the lock
    const auto before = std::chrono::steady_clock::now();
    EXPECT_TRUE(report->Save(L""));
    EXPECT_GE(std::chrono::steady_clock::now() - before, 100ms);
    EXPECT_TRUE(Succeeded(holder));
    ::close(held[0]);
}

TEST_F(ReportMergeTest, AFileDamagedSinceOpeningIsKeptAsideAndTheSaveGoesOn) {
    auto first = Open(L"Аня");
    first->AddRow(L"a", L"1", L"Number");
    ASSERT_TRUE(first->Save(L""));
    ReportTestFolder::Write(DefaultFile(), "damaged by someone else");
    first->AddRow(L"b", L"2", L"Number");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(first->Save(L""));
    EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("became unreadable"));
    EXPECT_EQ(ReadSheets(DefaultFile()), (Sheets{{L"Аня", {{L"a", L"1"}, {L"b", L"2"}}}}));
    int damagedCopies = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Reports()))
        if (entry.path().filename().string().find(".damaged-") != std::string::npos) {
            ++damagedCopies;
            EXPECT_EQ(ReportTestFolder::Read(entry.path()), "damaged by someone else");
        }
    EXPECT_EQ(damagedCopies, 1);
}

TEST_F(ReportMergeTest, ACopyCarriesWhatOthersSavedAndTheDefaultFileGetsOnlyOurRowsOnce) {
    auto mine = Open(L"Аня");
    mine->AddRow(L"mine", L"1", L"Number");
    {
        auto theirs = Open(L"Борис");
        theirs->AddRow(L"theirs", L"2", L"Number");
        ASSERT_TRUE(theirs->Save(L""));
    }
    const std::filesystem::path copy = folder.Root() / "copy.xls";
    ASSERT_EQ(SaveReportAs(mine.get(), Utf8ToWideForTest(copy), false), SaveAsOutcome::Saved);
    const Sheets both = {{L"Борис", {{L"theirs", L"2"}}}, {L"Аня", {{L"mine", L"1"}}}};
    EXPECT_EQ(ReadSheets(copy), both);

    ASSERT_TRUE(mine->Save(L""));
    ASSERT_TRUE(mine->Save(L""));
    EXPECT_EQ(ReadSheets(DefaultFile()), both);
}

} // namespace
