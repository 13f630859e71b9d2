// Prints a report through a real CUPS scheduler of the test's own: a private
// cupsd with two PDF queues, whose output is read back with pdftotext; once
// directly, once from the results screen's printer dialog.
#include "platform/print/Printers.h"
#include "shell/IMSelectPrinterDialog.h"
#include "shell/report/ReportDocument.h"
#include "shell/report/ReportOperations.h"
#include "tests/shell/ShellWindow.h"
#include "tests/shell/report/ReportTestFolder.h"

#include <cups/cups.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

using testing::HasSubstr;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* const kCupsd = "/usr/sbin/cupsd";
const char* const kCupsPdfBackend = "/usr/lib/cups/backend/cups-pdf";
const char* const kCupsPdfModel = "lsb/usr/cups-pdf/CUPS-PDF_opt.ppd";
const char* const kCupsPdfPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";

// Runs a program with its output in log; true when it exits with 0.
bool RunProgram(const std::vector<std::string>& arguments, const fs::path& log) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(fd, 1);
        ::dup2(fd, 2);
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool Found(const char* program) {
    return RunProgram({"sh", "-c", std::string("command -v ") + program}, "/dev/null");
}

// A cupsd that lives as long as this object, listening only on a socket in
// its own folder, with every state, spool and log path there as well. It dies
// with the test process even when the test crashes (parent-death signal), and
// it runs in a process group of its own so that no filter outlives it.
class PrivateScheduler {
public:
    explicit PrivateScheduler(const fs::path& root) : root_(root) {
        for (const char* sub : {"cache", "state", "spool", "spool/tmp", "log", "home", "server/ppd"})
            fs::create_directories(root_ / sub);
        // Filters run as the lp user and must reach the spool.
        for (const auto& entry : fs::recursive_directory_iterator(root_))
            fs::permissions(entry.path(), fs::perms(0755));
        for (fs::path folder = root_; folder.has_relative_path() && folder != fs::temp_directory_path();
             folder = folder.parent_path())
            fs::permissions(folder, fs::perms(0755));
        fs::permissions(root_ / "spool/tmp", fs::perms(01777));

        ReportTestFolder::Write(root_ / "server/cupsd.conf",
                                "Listen " + Socket().string() +
                                    "\nLogLevel info\nWebInterface No\nBrowsing No\n"
                                    "DefaultAuthType None\n<Location />\nOrder allow,deny\nAllow all\n"
                                    "</Location>\n<Policy default>\n<Limit All>\nOrder deny,allow\n"
                                    "</Limit>\n</Policy>\n");
        ReportTestFolder::Write(root_ / "server/cups-files.conf",
                                "ServerRoot " + (root_ / "server").string() + "\nCacheDir " +
                                    (root_ / "cache").string() + "\nStateDir " +
                                    (root_ / "state").string() + "\nRequestRoot " +
                                    (root_ / "spool").string() + "\nTempDir " +
                                    (root_ / "spool/tmp").string() + "\nAccessLog " +
                                    (root_ / "log/access_log").string() + "\nErrorLog " +
                                    (root_ / "log/error_log").string() + "\nPageLog " +
                                    (root_ / "log/page_log").string() + "\nPrintcap " +
                                    (root_ / "printcap").string() + "\n");

        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent)
                ::_exit(1);
            const int fd = ::open((root_ / "log/cupsd.out").c_str(), O_WRONLY | O_CREAT, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::execl(kCupsd, kCupsd, "-f", "-c", (root_ / "server/cupsd.conf").c_str(), "-s",
                    (root_ / "server/cups-files.conf").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::setenv("CUPS_SERVER", Socket().c_str(), 1);
        ::setenv("HOME", (root_ / "home").c_str(), 1);  // lpoptions writes nowhere else
        ::unsetenv("LPDEST");
        ::unsetenv("PRINTER");
        cupsSetServer(nullptr);  // forget any server read before
    }

    ~PrivateScheduler() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        ::kill(-pid_, SIGKILL);  // whatever cupsd left in its group
        ::unsetenv("CUPS_SERVER");
    }

    fs::path Socket() const { return root_ / "cups.sock"; }
    fs::path Log() const { return root_ / "log/commands.log"; }

    bool WaitUntilListening() const {
        for (auto deadline = std::chrono::steady_clock::now() + 15s;
             std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(50ms)) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s", Socket().c_str());
            const bool connected =
                ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
            ::close(fd);
            if (connected)
                return true;
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_)
                return false;  // cupsd gave up; its reasons are in log/cupsd.out
        }
        return false;
    }

private:
    fs::path root_;
    pid_t pid_ = -1;
};

// A cups-pdf queue whose output goes into the test's folder. cups-pdf reads
// its settings from /etc/cups/cups-pdf-<name>.conf, where <name> is the path
// of the queue's device URI; the file is removed with the queue.
class PdfQueue {
public:
    PdfQueue(const std::string& name, const fs::path& output, const fs::path& log)
        : name_(name), settings_("/etc/cups/cups-pdf-" + name + ".conf") {
        fs::create_directories(output / "spool");
        ReportTestFolder::Write(settings_, "Out " + output.string() + "\nSpool " +
                                               (output / "spool").string() + "\nAnonDirName " +
                                               output.string() + "\nLog " + output.string() +
                                               "\nGrp root\n");
        created_ = RunProgram({"lpadmin", "-p", name, "-E", "-v", "cups-pdf:/" + name, "-m", kCupsPdfModel,
                        "-o", "pdftops-renderer-default=pdftocairo", "-o", "printer-error-policy=abort-job"},
                       log);
    }
    ~PdfQueue() {
        std::error_code ignored;
        fs::remove(settings_, ignored);
    }
    bool Created() const { return created_; }

private:
    std::string name_;
    fs::path settings_;
    bool created_ = false;
};

std::optional<fs::path> WaitForPdf(const fs::path& folder, const std::string& printer) {
    for (auto deadline = std::chrono::steady_clock::now() + 90s;
         std::chrono::steady_clock::now() < deadline; std::this_thread::sleep_for(200ms)) {
        cups_job_t* jobs = nullptr;
        const int active = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, printer.c_str(), 0,
                                        CUPS_WHICHJOBS_ACTIVE);
        cupsFreeJobs(active, jobs);
        if (active != 0)
            continue;
        // The backend has finished: the file is complete, or it never came.
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".pdf")
                return entry.path();
        break;
    }
    return std::nullopt;
}

// Why the real print test cannot run on this machine; empty when it can.
std::string WhyCupsCannotRun() {
    if (::geteuid() != 0)
        return "the cups-pdf backend runs only as root; run this test as root";
    for (const char* file : {kCupsd, kCupsPdfBackend, kCupsPdfPpd})
        if (!fs::exists(file))
            return std::string(file) + " is missing (install cups and printer-driver-cups-pdf)";
    for (const char* program : {"lpadmin", "pdftotext"})
        if (!Found(program))
            return std::string(program) + " is missing (install cups-client and poppler-utils)";
    return "";
}

// The private scheduler with two PDF queues, the second one the default,
// writing into folders under root.
class TwoPdfQueues {
public:
    explicit TwoPdfQueues(const fs::path& root)
        : scheduler(root / "cups"),
          suffix(std::to_string(::getpid())),
          first("ZelA" + suffix),
          second("ZelB" + suffix),
          output(root / "pdf") {}

    // Starts the queues; false with the reason in why when they do not start.
    bool Start(std::string& why) {
        if (!scheduler.WaitUntilListening()) {
            why = ReportTestFolder::Read(scheduler.Log().parent_path() / "cupsd.out");
            return false;
        }
        queueA.emplace(first, output / "a", scheduler.Log());
        queueB.emplace(second, output / "b", scheduler.Log());
        if (!queueA->Created() || !queueB->Created() ||
            !RunProgram({"lpadmin", "-d", second}, scheduler.Log())) {
            why = ReportTestFolder::Read(scheduler.Log());
            return false;
        }
        return true;
    }

    // The text of the PDF the default queue printed.
    std::string PrintedText(const fs::path& work) {
        const std::optional<fs::path> pdf = WaitForPdf(output / "b", second);
        if (!pdf) {
            ADD_FAILURE() << ReportTestFolder::Read(scheduler.Log().parent_path() / "error_log");
            return "";
        }
        const fs::path text = work / "report.txt";
        EXPECT_TRUE(RunProgram({"pdftotext", "-layout", pdf->string(), text.string()}, scheduler.Log()));
        return ReportTestFolder::Read(text);
    }

    PrivateScheduler scheduler;
    std::string suffix;
    std::string first;
    std::string second;
    fs::path output;
    std::optional<PdfQueue> queueA;
    std::optional<PdfQueue> queueB;
};

TEST(PrintCupsTest, AReportPrintsThroughARealSchedulerWithEveryRowAndItsCyrillic) {
    if (const std::string why = WhyCupsCannotRun(); !why.empty())
        GTEST_SKIP() << why;

    ReportTestFolder folder;  // also the scheduler's home and the queues' output
    TwoPdfQueues queues(folder.Root());
    std::string why;
    ASSERT_TRUE(queues.Start(why)) << why;
    const std::string& first = queues.first;
    const std::string& second = queues.second;
    const fs::path& output = queues.output;

    // The printer list in CUPS's order, the default printer, and an unknown
    // name refused before any job is made.
    EXPECT_EQ(platform::PrinterNames(),
              (std::vector<std::wstring>{platform::Utf8ToWide(first), platform::Utf8ToWide(second)}));
    EXPECT_EQ(platform::DefaultPrinterName(), platform::Utf8ToWide(second));
    testing::internal::CaptureStderr();
    EXPECT_EQ(platform::OpenPrinter(L"NoSuchPrinter"), nullptr);
    EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr("no printer named"));

    ReportDocument report(Utf8ToWideForTest(folder.Data() / "report.xls"), L"Аня Петрова");
    const std::vector<std::pair<std::wstring, std::wstring>> rows = {
        {L"Время начала работы с упражнением", L"05-March-2008 14:07"},
        {L"Сундук с «золотом»", L"12"},
        {L"Рыбка \"Ёршик\"", L"7"},
        {L"Количество дополнительных вызовов инструкций", L"2"},
        {L"Общее время работы с упражнением. с.", L"345"},
    };
    for (const auto& [name, value] : rows)
        report.AddRow(name, value, L"String");
    report.FinishRun();
    const ReportPrintHeader header = MakePrintHeader(L"Тренажер «Зельтарик»", L"00517", L"Аня Петрова");
    ASSERT_TRUE(PrintReportTo(OpenSelectedPrinter(platform::DefaultPrinterName()), header, &report));

    const std::string printed = queues.PrintedText(folder.Root());
    for (const auto& [label, value] : header) {
        EXPECT_THAT(printed, HasSubstr(Utf8(label)));
        EXPECT_THAT(printed, HasSubstr(Utf8(value)));
    }
    for (const auto& [name, value] : rows) {
        std::wstring stored = name;
        std::replace(stored.begin(), stored.end(), L'"', L'\'');
        EXPECT_THAT(printed, HasSubstr(Utf8(stored)));
        EXPECT_THAT(printed, HasSubstr(Utf8(value)));
    }
    for (const auto& entry : fs::directory_iterator(output / "a"))
        EXPECT_NE(entry.path().extension(), ".pdf") << "only the chosen printer prints";

    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, second.c_str(), 0, CUPS_WHICHJOBS_ALL);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(jobs[0].title, "Print1: Printing");
    cupsFreeJobs(count, jobs);
}

class PrintCupsScreenTest : public ShellWindowTest {};

TEST_F(PrintCupsScreenTest, TheResultsScreensPrinterDialogPrintsOnTheChosenQueue) {
    if (const std::string why = WhyCupsCannotRun(); !why.empty())
        GTEST_SKIP() << why;
    TwoPdfQueues queues(folder.Root());
    std::string why;
    ASSERT_TRUE(queues.Start(why)) << why;

    app->PrepareReport(L"Вася «Ёжик» Пупкин");
    app->SetStudentName(L"Вася «Ёжик» Пупкин");
    const std::vector<std::pair<std::wstring, std::wstring>> rows = {
        {L"Время начала работы с упражнением", L"05-March-2008 14:07"},
        {L"Золотая чаша", L"12"},
        {L"Количество дополнительных вызовов инструкций", L"1"},
        {L"Общее время работы с упражнением. с.", L"345"},
    };
    for (const auto& [name, value] : rows)
        app->AddStatistic(name, value, L"Number");
    app->report->FinishRun();
    app->ShowResultsScreen();
    Pass();

    Click(40, 500);  // Print
    IMSelectPrinterDialog* dialog = Topmost<IMSelectPrinterDialog>();
    ASSERT_NE(dialog, nullptr);
    std::vector<std::wstring> names;
    for (const auto* item : dialog->list->items)
        names.push_back(item->GetText());
    EXPECT_EQ(names, (std::vector<std::wstring>{platform::Utf8ToWide(queues.first),
                                                platform::Utf8ToWide(queues.second)}));
    EXPECT_EQ(dialog->SelectedPrinter(), platform::Utf8ToWide(queues.second));
    Click(dialog->printButton);
    EXPECT_EQ(Topmost<IMSelectPrinterDialog>(), nullptr) << "the dialog closes once the job is sent";

    const std::string printed = queues.PrintedText(folder.Root());
    for (const char* text : {"Название", "Тренажер «Зельтарик»", "Номер ЦОР", "00517", "Ученик",
                             "Вася «Ёжик» Пупкин"})
        EXPECT_THAT(printed, HasSubstr(text));
    for (const auto& [name, value] : rows) {
        EXPECT_THAT(printed, HasSubstr(Utf8(name)));
        EXPECT_THAT(printed, HasSubstr(Utf8(value)));
    }
}

} // namespace
