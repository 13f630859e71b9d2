// A program killed with SIGKILL in the middle of saving a large workbook, a
// few hundred times: the file on disk is each time either the workbook before
// that save or the one after it, whole, and nothing the killed saves leave
// behind stands in the way of the next one.
#include "shell/report/ReportDocument.h"

#include "platform/TextCodec.h"
#include "tests/shell/report/ReportTestFolder.h"
#include "tests/shell/report/WorkbookReader.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// About 2.6 MB in 121 worksheets: large enough that writing and flushing it
// takes a while on every kind of disk, small enough that the few hundred
// rounds (each opening the workbook afresh) stay within a minute on two busy
// cores. The sanitizer build is several times slower and makes fewer rounds.
constexpr int kOtherStudents = 120;
constexpr int kRowsEach = 150;
#if defined(__SANITIZE_ADDRESS__)
constexpr int kKills = 40;
#else
constexpr int kKills = 200;
#endif

const std::wstring kStudent = L"Зоя Killed";

// The saving program as a child: its stdout is a pipe the test reads the
// numbers of finished saves from.
class SaveLoop {
public:
    SaveLoop(const std::filesystem::path& workbook, long firstValue) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            throw std::runtime_error("no pipe");
        const std::string student = platform::WideToUtf8(kStudent);
        const std::string first = std::to_string(firstValue);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(ends[1], 1);
            ::execl(ZEL_SAVE_LOOP_PATH, ZEL_SAVE_LOOP_PATH, workbook.c_str(), student.c_str(),
                    first.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(ends[1]);
        output_ = ends[0];
    }
    ~SaveLoop() {
        Kill();
        ::close(output_);
    }

    // Waits for the next line; empty when the program ended or time ran out.
    std::string NextLine(std::chrono::milliseconds patience) {
        const auto deadline = Clock::now() + patience;
        for (;;) {
            if (const size_t end = buffered_.find('\n'); end != std::string::npos) {
                std::string line = buffered_.substr(0, end);
                buffered_.erase(0, end + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd ready{output_, POLLIN, 0};
            if (::poll(&ready, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) <= 0)
                return "";
            char chunk[256];
            const ssize_t got = ::read(output_, chunk, sizeof chunk);
            if (got <= 0)
                return "";
            buffered_.append(chunk, static_cast<size_t>(got));
        }
    }

    // Kills the program and returns the last save it reported, if any.
    std::optional<long> Kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        std::optional<long> last;
        for (std::string line; !(line = NextLine(0ms)).empty();)
            if (line != "ready")
                last = std::stol(line);
        return last;
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string buffered_;
};

// What the killed saves may have left in the folder besides the workbook and
// its lock file.
std::vector<std::string> LeftOvers(const std::filesystem::path& folder,
                                   const std::filesystem::path& workbook) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::filesystem::path& path = entry.path();
        if (path != workbook && path != folder / ("." + workbook.filename().string() + ".lock"))
            names.push_back(path.filename().string());
    }
    return names;
}

// A workbook of kOtherStudents worksheets of kRowsEach rows, made from the
// worksheet one report writes.
std::string LargeWorkbook(const std::filesystem::path& scratch) {
    std::string sheet;
    std::string document;
    {
        ReportDocument report(platform::Utf8ToWide(scratch.string()), L"Ученик 000");
        for (int row = 0; row < kRowsEach; ++row)
            report.AddRow(L"Время поиска предмета " + std::to_wstring(row),
                          std::to_wstring(row * 7), L"Number");
        report.FinishRun();
        document = report.Serialize();
    }
    const size_t begin = document.find("<Worksheet");
    const size_t end = document.rfind("</Worksheet>") + 12;
    sheet = document.substr(begin, end - begin);
    std::string sheets;
    for (int student = 0; student < kOtherStudents; ++student) {
        char number[8];
        std::snprintf(number, sizeof number, "%03d", student);
        std::string copy = sheet;
        for (size_t at = copy.find("000"); at != std::string::npos; at = copy.find("000", at + 3))
            copy.replace(at, 3, number);
        sheets += copy;
    }
    return document.substr(0, begin) + sheets + document.substr(end);
}

TEST(SaveKilledTest, EveryKillLeavesTheOldOrTheNewWholeWorkbookAndTheNextSaveWorks) {
    ReportTestFolder folder;
    const std::filesystem::path reports = folder.Root() / "reports";
    std::filesystem::create_directories(reports);
    const std::filesystem::path workbook = reports / "Killed.xls";
    ReportTestFolder::Write(workbook, LargeWorkbook(folder.Root() / "scratch.xls"));

    // The first save adds the student's worksheet with its row 0; every later
    // version is this file with rows 1, 2, … more at the end of that worksheet.
    {
        ReportDocument report(platform::Utf8ToWide(workbook.string()), kStudent);
        report.AddRow(L"save", L"0", L"Number");
        ASSERT_TRUE(report.Save(L""));
    }
    const std::string first = ReportTestFolder::Read(workbook);
    std::printf("workbook of %zu bytes, %d worksheets\n", first.size(), kOtherStudents + 1);
    std::fflush(stdout);
    const size_t tableEnd = first.rfind("</Table>");
    const size_t rowBegin = first.rfind("<Row>", tableEnd);
    ASSERT_NE(rowBegin, std::string::npos);
    const std::string head = first.substr(0, tableEnd);
    const std::string tail = first.substr(tableEnd);
    const std::string rowZero = first.substr(rowBegin, tableEnd - rowBegin);
    ASSERT_NE(rowZero.find(">0<"), std::string::npos) << rowZero;
    std::string rows; // rows 1 … n, as they follow row 0
    std::vector<size_t> rowEnds{0};
    auto rowsUpTo = [&](long last) {
        while (static_cast<long>(rowEnds.size()) <= last) {
            std::string row = rowZero;
            row.replace(row.find(">0<"), 3, ">" + std::to_string(rowEnds.size()) + "<");
            rows += row;
            rowEnds.push_back(rows.size());
        }
    };
    // The last row of the workbook on disk, which must be whole.
    auto lastRowOnDisk = [&]() -> std::optional<long> {
        const std::string bytes = ReportTestFolder::Read(workbook);
        if (bytes.size() < head.size() + tail.size() || bytes.compare(0, head.size(), head) != 0 ||
            bytes.compare(bytes.size() - tail.size(), tail.size(), tail) != 0)
            return std::nullopt;
        const std::string added =
            bytes.substr(head.size(), bytes.size() - head.size() - tail.size());
        rowsUpTo(static_cast<long>(added.size() / rowZero.size()) + 1);
        for (size_t last = 0; last < rowEnds.size() && rowEnds[last] <= added.size(); ++last)
            if (rowEnds[last] == added.size() && rows.compare(0, added.size(), added) == 0)
                return static_cast<long>(last);
        return std::nullopt;
    };

    // How long one save takes here, from a program saving in a row.
    Clock::duration saveTime;
    {
        SaveLoop loop(workbook, 1);
        ASSERT_EQ(loop.NextLine(60s), "ready");
        ASSERT_EQ(loop.NextLine(60s), "1");
        const auto start = Clock::now();
        for (int save = 2; save <= 5; ++save)
            ASSERT_EQ(loop.NextLine(60s), std::to_string(save));
        saveTime = (Clock::now() - start) / 4;
        loop.Kill();
    }
    std::printf("one save takes %.1f ms\n",
                std::chrono::duration<double, std::milli>(saveTime).count());
    std::fflush(stdout);

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // From the moment the workbook is open to two and a half saves later:
    // kills during the write, the flush, the rename and between saves.
    std::uniform_int_distribution<long> delay(
        0, std::chrono::duration_cast<std::chrono::microseconds>(saveTime).count() * 5 / 2);

    int killedWhileSaving = 0;
    size_t mostLeftOvers = 0;
    for (int round = 0; round < kKills; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::optional<long> before = lastRowOnDisk();
        ASSERT_TRUE(before) << "the workbook on disk is not a version the program saved";
        SaveLoop loop(workbook, *before + 1);
        ASSERT_EQ(loop.NextLine(60s), "ready");
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        const long reported = loop.Kill().value_or(*before);

        const std::optional<long> after = lastRowOnDisk();
        ASSERT_TRUE(after) << "the workbook on disk is not a version the program saved";
        // The save after the last one reported may have replaced the file
        // before the program could say so.
        EXPECT_TRUE(*after == reported || *after == reported + 1)
            << "on disk " << *after << ", last reported " << reported;
        killedWhileSaving += *after == reported ? 1 : 0;
        mostLeftOvers = std::max(mostLeftOvers, LeftOvers(reports, workbook).size());
        // Opening it as a reader does, now and then (the check above already
        // compares every byte with a version the program wrote).
        if (round % 50 == 0) {
            EXPECT_TRUE(IsWorkbookFile(workbook));
        }
    }
    std::printf("%d kills, %d of them before the save in progress replaced the file; at most "
                "%zu files left beside the workbook\n",
                kKills, killedWhileSaving, mostLeftOvers);
    // A killed save leaves at most its own temporary file, which the next save
    // clears away: the folder does not fill up with them.
    EXPECT_LE(mostLeftOvers, 1u);

    // After all that, a save goes through at once and leaves nothing behind.
    const std::optional<long> last = lastRowOnDisk();
    ASSERT_TRUE(last);
    {
        ReportDocument report(platform::Utf8ToWide(workbook.string()), kStudent);
        report.AddRow(L"save", std::to_wstring(*last + 1), L"Number");
        ASSERT_TRUE(report.Save(L""));
    }
    EXPECT_EQ(lastRowOnDisk(), *last + 1);
    EXPECT_EQ(LeftOvers(reports, workbook), std::vector<std::string>{});
    const Sheets sheets = ReadSheets(workbook);
    ASSERT_EQ(sheets.size(), static_cast<size_t>(kOtherStudents + 1));
    EXPECT_EQ(sheets.front().second.size(), static_cast<size_t>(kRowsEach + 1));
    EXPECT_EQ(sheets.back().second.size(), static_cast<size_t>(*last + 2));
}

} // namespace
