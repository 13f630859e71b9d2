// The exit save on a full disk or a read-only folder: nothing on disk is
// lost, the run's rows go to a kept-rows file whose place is on stderr, the
// start screen can learn about it, and it goes once the rows reach the
// workbook.
#include "shell/report/KeptRows.h"

#include "shell/report/ReportDocument.h"
#include "shell/report/ReportOperations.h"
#include "shell/report/ReportStorage.h"
#include "tests/shell/report/ReportTestFolder.h"
#include "tests/shell/report/WorkbookReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <functional>

using testing::HasSubstr;

namespace {

// Makes a folder read-only for everybody, root included, for as long as it
// lives: the immutable attribute where the file system has it, else (for a
// user other than root) the permissions.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::filesystem::path folder) : folder_(std::move(folder)) {
        if (::geteuid() != 0) {
            std::filesystem::permissions(folder_, std::filesystem::perms(0555));
            made_ = how_ = true;
            return;
        }
        made_ = SetImmutable(true);
    }
    ~ReadOnlyFolder() {
        if (!made_)
            return;
        if (how_)
            std::filesystem::permissions(folder_, std::filesystem::perms(0755));
        else
            SetImmutable(false);
    }
    bool Made() const { return made_; }

private:
    bool SetImmutable(bool on) {
        const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        ::close(fd);
        return done;
    }

    std::filesystem::path folder_;
    bool made_ = false;
    bool how_ = false;  // by permissions
};

class KeptRowsTest : public testing::Test {
protected:
    std::filesystem::path DefaultFile() const { return folder.Reports() / PathOf(kReportTitle + L".xls"); }

    std::unique_ptr<ReportDocument> RunOf(const std::wstring& student, const std::wstring& value) {
        auto report = PrepareReportDocument(student, kReportTitle);
        report->AddRow(L"Время начала работы с упражнением", value, L"String");
        report->FinishRun();
        return report;
    }

    ReportTestFolder folder;
};

TEST_F(KeptRowsTest, AnExitSaveThatCannotWriteKeepsTheOldFileAndTheRunsRowsElsewhere) {
    ASSERT_TRUE(SaveReportOnExit(RunOf(L"Аня", L"earlier").get()));
    const std::string before = ReportTestFolder::Read(DefaultFile());

    struct Failure {
        const char* what;
        std::function<std::optional<ReadOnlyFolder>()> make;
        std::function<std::unique_ptr<SimulatedDiskFull>()> disk;
    };
    const Failure failures[] = {
        {"a full disk", [] { return std::nullopt; },
         [&] { return std::make_unique<SimulatedDiskFull>(100, folder.Reports()); }},
        {"a read-only folder", [&] { return std::optional<ReadOnlyFolder>(std::in_place, folder.Reports()); },
         [] { return nullptr; }},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.what);
        auto report = RunOf(L"Иванов/Петя", L"lost?");
        std::string diagnostics;
        {
            std::optional<ReadOnlyFolder> readOnly = failure.make();
            if (readOnly && !readOnly->Made()) {
                std::cerr << "the folder cannot be made read-only here; that case is skipped\n";
                continue;
            }
            auto disk = failure.disk();
            testing::internal::CaptureStderr();
            EXPECT_FALSE(SaveReportOnExit(report.get()));
            diagnostics = testing::internal::GetCapturedStderr();
        }
        EXPECT_EQ(ReportTestFolder::Read(DefaultFile()), before) << "nothing on disk is lost";

        const std::vector<KeptRows> kept = FindKeptRows(kReportTitle);
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(kept[0].studentName, L"Иванов/Петя");
        EXPECT_EQ(kept[0].file.parent_path(), folder.State() / "ZUVR");
        EXPECT_THAT(diagnostics, HasSubstr("they were kept in " + kept[0].file.string()));
        EXPECT_EQ(ReadSheets(kept[0].file),
                  (Sheets{{L"Иванов-Петя",
                           {{L"Ученик", L"Иванов/Петя"}, {L"Время начала работы с упражнением", L"lost?"}, {}}}}));
        EXPECT_EQ(KeptRowsNotice(kept[0]),
                  L"Результаты ученика «Иванов/Петя» не попали в таблицу и сохранены в файле " +
                      Utf8ToWideForTest(kept[0].file));

        // Once the workbook takes the rows, the kept file goes.
        EXPECT_TRUE(SaveReportOnExit(report.get()));
        EXPECT_TRUE(FindKeptRows(kReportTitle).empty());
        EXPECT_EQ(ReadSheets(DefaultFile()).back().second.at(1).at(1), L"lost?");
        std::filesystem::remove(DefaultFile());
        ReportTestFolder::Write(DefaultFile(), before);
    }
}

TEST_F(KeptRowsTest, RowsThatNoFileTakesAreWrittenToStderr) {
    auto report = RunOf(L"Аня", L"05-March-2008 14:07");
    SimulatedDiskFull full(0);
    ::setenv("XDG_STATE_HOME", (folder.Root() / "plain-file").c_str(), 1);
    ReportTestFolder::Write(folder.Root() / "plain-file", "");
    // /var/tmp and /tmp are on the same full disk here.
    testing::internal::CaptureStderr();
    EXPECT_FALSE(SaveReportOnExit(report.get()));
    const std::string diagnostics = testing::internal::GetCapturedStderr();
    EXPECT_THAT(diagnostics, HasSubstr("nor kept in any file; here they are:\n"
                                       "Время начала работы с упражнением\t05-March-2008 14:07\n\n"));
}

TEST_F(KeptRowsTest, EachFailedRunIsKeptOnceAndFoundInOrder) {
    SimulatedDiskFull full(0, folder.Reports());
    testing::internal::CaptureStderr();
    auto first = RunOf(L"Аня", L"1");
    EXPECT_FALSE(SaveReportOrKeepRows(first.get()));
    first->AddRow(L"more", L"2", L"Number");
    EXPECT_FALSE(SaveReportOrKeepRows(first.get()));  // the same file, rewritten
    auto second = RunOf(L"Zoë", L"3");
    EXPECT_FALSE(SaveReportOrKeepRows(second.get()));
    testing::internal::GetCapturedStderr();

    const std::vector<KeptRows> kept = FindKeptRows(kReportTitle);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].studentName, L"Аня");
    EXPECT_EQ(ReadSheets(kept[0].file).at(0).second.size(), 3u);
    EXPECT_EQ(kept[1].studentName, L"Zoë");
    EXPECT_NE(kept[0].file, kept[1].file);
}

} // namespace
