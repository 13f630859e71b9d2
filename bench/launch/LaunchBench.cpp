// The program as a teacher runs it, measured from outside: the real executable started on an X
// server of its own (Xvfb) at 1280 × 800 and at 800 × 600, driven with xdotool, and read from
// /proc. For each figure it prints the program as it is now and, in the same run, the program
// drawing and showing every frame whole (ZELTARIK_REDRAW=whole) as the baseline, and with
// --previous another build of the program as a third column.
//
// Figures: launch to the first frame on the screen (the start screen); the CPU of the process
// (user + system time of all its threads over wall time) for the start screen with its blinking
// caret, the still game, the boat moving with an arrow held, and a dive of 40 wheel notches in
// 2.4 s; resident memory of the start screen and of the still game. The X server's own CPU is
// shown beside, since presenting less also spares it work.
//
// The game is reached from the start screen with Enter and Escape (skipping the instruction).
// Where that does not lead to the game, its rows are measured on bench/zeltarik_game_first, the
// same program opening on its game screen; the table says which. A figure no run can reach yet
// (100 games with Retry between them) answers "not available".
//
//   launch_bench [--executable PATH] [--previous PATH] [--display N] [--size WxH] [--launches N]
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Sleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::string LoadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

// User + system time of the process and all its threads, in seconds.
double ProcessCpu(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

double ResidentMegabytes(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(file, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

pid_t Spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    for (const std::string& assignment : environment) {
        const size_t equals = assignment.find('=');
        if (equals == std::string::npos)
            unsetenv(assignment.c_str());
        else
            setenv(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str(), 1);
    }
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, STDOUT_FILENO);
    dup2(quiet, STDERR_FILENO);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

void Stop(pid_t pid) {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        Sleep(0.01);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// One X server of the benchmark's own, with a connection to read its screen.
class XServer {
public:
    XServer(int number, int width, int height) : number_(number), width_(width), height_(height) {
        name_ = ":" + std::to_string(number);
        pid_ = Spawn({"Xvfb", name_, "-screen", "0",
                      std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten",
                      "tcp", "-noreset"},
                     {});
        for (int i = 0; i < 500 && !display_; ++i) {
            Sleep(0.01);
            display_ = XOpenDisplay(name_.c_str());
        }
    }
    ~XServer() {
        if (display_)
            XCloseDisplay(display_);
        Stop(pid_);
    }
    bool Ready() const { return display_ != nullptr; }
    const std::string& Name() const { return name_; }
    pid_t Pid() const { return pid_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    uint32_t PixelAt(int x, int y) {
        XImage* image =
            XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return 0;
        const uint32_t pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
        XDestroyImage(image);
        return pixel;
    }

    // Screen position of a scene point, letterboxed as the program places its 800 × 600 scene.
    std::pair<int, int> ScenePoint(int x, int y) const {
        int w = width_, h = height_;
        if (int64_t(width_) * 600 > int64_t(height_) * 800)
            w = static_cast<int>(int64_t(800) * height_ / 600);
        else if (int64_t(width_) * 600 < int64_t(height_) * 800)
            h = static_cast<int>(int64_t(600) * width_ / 800);
        const int left = (width_ - w) / 2, top = (height_ - h) / 2;
        return {left + x * w / 800 + w / 1600, top + y * h / 600 + h / 1200};
    }

    void Xdotool(const std::string& arguments) const {
        const std::string command = "DISPLAY=" + name_ + " xdotool " + arguments;
        if (std::system(command.c_str()) != 0)
            std::fprintf(stderr, "launch_bench: failed: %s\n", command.c_str());
    }
    std::string MoveTo(int sceneX, int sceneY) const {
        const auto [x, y] = ScenePoint(sceneX, sceneY);
        return "mousemove --sync " + std::to_string(x) + " " + std::to_string(y);
    }

private:
    int number_;
    int width_;
    int height_;
    std::string name_;
    pid_t pid_ = -1;
    Display* display_ = nullptr;
};

struct Variant {
    std::string name;
    std::string executable;
    // The same build opening on its game screen.
    std::string gameFirst;
    std::vector<std::string> environment;
};

// One running program on the server.
class Run {
public:
    Run(XServer& server, const std::string& executable, const Variant& variant,
        const std::string& dataFolder)
        : server_(server) {
        std::vector<std::string> environment = variant.environment;
        environment.push_back("DISPLAY=" + server.Name());
        environment.push_back("XDG_DATA_HOME=" + dataFolder);
        // The screen starts black; the first frame is the first time the scene shows.
        samples_ = {{400, 300}, {100, 100}, {700, 500}, {400, 60}};
        start_ = Clock::now();
        pid_ = Spawn({executable}, environment);
    }
    ~Run() { Stop(pid_); }

    pid_t Pid() const { return pid_; }

    // Seconds from the start to the first frame on the screen; none within 10 s. `cpu` gets the
    // processor time the program had spent by then, which a loaded machine does not inflate.
    std::optional<double> WaitForFirstFrame(double* cpu = nullptr) {
        while (SecondsSince(start_) < 10.0) {
            for (size_t i = 0; i < samples_.size(); ++i) {
                const auto [x, y] = server_.ScenePoint(samples_[i].first, samples_[i].second);
                if (server_.PixelAt(x, y) != 0) {
                    const double seconds = SecondsSince(start_);
                    if (cpu)
                        *cpu = ProcessCpu(pid_);
                    return seconds;
                }
            }
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return std::nullopt;
            }
            Sleep(0.0005);
        }
        return std::nullopt;
    }

    // CPU of the program and of the X server over `seconds`, each as a share of one core, while
    // `during` drives the program (it runs at the start of the span).
    std::pair<double, double> CpuOver(double seconds, const std::function<void()>& during = {}) {
        const double cpu = ProcessCpu(pid_), server = ProcessCpu(server_.Pid());
        const Clock::time_point start = Clock::now();
        if (during)
            during();
        const double left = seconds - SecondsSince(start);
        if (left > 0)
            Sleep(left);
        const double wall = SecondsSince(start);
        return {(ProcessCpu(pid_) - cpu) / wall, (ProcessCpu(server_.Pid()) - server) / wall};
    }

private:
    XServer& server_;
    pid_t pid_ = -1;
    Clock::time_point start_;
    std::vector<std::pair<int, int>> samples_;
};

// What one variant measured at one screen size; a missing figure is not available.
struct Figures {
    std::optional<double> launch;
    std::optional<double> launchCpu;
    std::optional<double> memory;
    std::optional<std::pair<double, double>> still, boat, dive, caret;
    std::optional<double> memoryAfterGames;
    std::optional<double> startMemory;
    // Which program the game's rows come from.
    std::string gameFrom = "nothing";
};

// Points of the game screen, in scene pixels.
constexpr int kEastArrowX = 319, kEastArrowY = 395;
constexpr int kWestArrowX = 91, kWestArrowY = 395;
constexpr int kLensX = 140, kLensY = 330;

// Whether the scene shows anything at the sample points (the screen is black otherwise).
bool ShowsScene(XServer& server) {
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{400, 300}, {100, 100}, {700, 500},
                                                               {400, 60}}) {
        const auto [sx, sy] = server.ScenePoint(x, y);
        if (server.PixelAt(sx, sy) != 0)
            return true;
    }
    return false;
}

// The game's rows on a run that shows the game screen.
void MeasureGame(XServer& server, Run& run, Figures& figures) {
    // The pictures decoded after the first frame have had their time.
    Sleep(2.0);
    figures.memory = ResidentMegabytes(run.Pid());
    server.Xdotool(server.MoveTo(600, 500));
    Sleep(0.5);
    figures.still = run.CpuOver(10.0);

    // The boat: an arrow held east, then west, so that it sails rather than stands at a shore.
    figures.boat = run.CpuOver(3.0, [&] {
        server.Xdotool(server.MoveTo(kEastArrowX, kEastArrowY) + " mousedown 1 sleep 1.5 mouseup 1 " +
                       server.MoveTo(kWestArrowX, kWestArrowY) + " mousedown 1 sleep 1.5 mouseup 1");
    });
    server.Xdotool(server.MoveTo(kLensX, kLensY));
    Sleep(0.5);

    // The dive: the wheel pressed, then 40 notches away from the user in 2.4 s.
    server.Xdotool("click 2");
    Sleep(0.3);
    figures.dive = run.CpuOver(2.4, [&] { server.Xdotool("click --repeat 40 --delay 60 4"); });
    server.Xdotool("click 2");
    Sleep(2.0);
}

Figures Measure(XServer& server, const Variant& variant, const std::string& dataFolder,
                int launches) {
    Figures figures;
    // Launch: the median of several starts, each its own process.
    std::vector<double> times, cpus;
    for (int i = 0; i < launches; ++i) {
        Run run(server, variant.executable, variant, dataFolder);
        double cpu = 0;
        if (auto seconds = run.WaitForFirstFrame(&cpu)) {
            times.push_back(*seconds);
            cpus.push_back(cpu);
        }
        Sleep(0.3);
    }
    if (!times.empty()) {
        std::sort(times.begin(), times.end());
        std::sort(cpus.begin(), cpus.end());
        figures.launch = times[times.size() / 2];
        figures.launchCpu = cpus[cpus.size() / 2];
    }

    {
        // The start screen, the pointer away from its buttons, the caret blinking in the name.
        Run run(server, variant.executable, variant, dataFolder);
        if (!run.WaitForFirstFrame())
            return figures;
        Sleep(2.0);
        server.Xdotool(server.MoveTo(400, 590));
        Sleep(0.5);
        figures.caret = run.CpuOver(10.0);
        figures.startMemory = ResidentMegabytes(run.Pid());
        // Enter starts, Escape skips the instruction; the game screen follows.
        server.Xdotool("key Return");
        Sleep(1.0);
        server.Xdotool("key Escape");
        Sleep(1.0);
        if (ShowsScene(server)) {
            figures.gameFrom = "the program";
            MeasureGame(server, run, figures);
            return figures;
        }
    }
    // The start screen does not lead to the game yet: the same program opening on its game.
    Run run(server, variant.gameFirst, variant, dataFolder);
    if (!run.WaitForFirstFrame())
        return figures;
    figures.gameFrom = "the game-first build";
    MeasureGame(server, run, figures);
    return figures;
}

std::string Percent(const std::optional<std::pair<double, double>>& figure) {
    if (!figure)
        return "–";
    char text[64];
    std::snprintf(text, sizeof text, "%5.1f %% (X %4.1f %%)", figure->first * 100,
                  figure->second * 100);
    return text;
}

std::string Value(const std::optional<double>& figure, const char* format) {
    if (!figure)
        return "–";
    char text[64];
    std::snprintf(text, sizeof text, format, *figure);
    return text;
}

std::string Ratio(const std::optional<double>& now, const std::optional<double>& baseline) {
    if (!now || !baseline || *now <= 0)
        return "–";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f×", *baseline / *now);
    return text;
}

std::optional<double> ProgramShare(const std::optional<std::pair<double, double>>& figure) {
    if (!figure)
        return std::nullopt;
    return figure->first;
}

struct Row {
    const char* name;
    const char* goal;
    std::function<std::string(const Figures&)> show;
    std::function<std::optional<double>(const Figures&)> value;
};

const std::vector<Row>& Rows() {
    static const std::vector<Row> rows = {
        {"still game, CPU", "<= 2 %", [](const Figures& f) { return Percent(f.still); },
         [](const Figures& f) { return ProgramShare(f.still); }},
        {"boat moving (arrow held), CPU", "<= 15 %",
         [](const Figures& f) { return Percent(f.boat); },
         [](const Figures& f) { return ProgramShare(f.boat); }},
        {"diving (40 notches in 2.4 s), CPU", "<= 10 %",
         [](const Figures& f) { return Percent(f.dive); },
         [](const Figures& f) { return ProgramShare(f.dive); }},
        {"start screen with its caret, CPU", "<= 1 %",
         [](const Figures& f) { return Percent(f.caret); },
         [](const Figures& f) { return ProgramShare(f.caret); }},
        {"launch to first frame", "<= 0.25 s",
         [](const Figures& f) { return Value(f.launch, "%.3f s"); },
         [](const Figures& f) { return f.launch; }},
        {"  its processor time to that frame", "",
         [](const Figures& f) { return Value(f.launchCpu, "%.3f s CPU"); },
         [](const Figures& f) { return f.launchCpu; }},
        {"resident memory, start screen", "<= 100 MB",
         [](const Figures& f) { return Value(f.startMemory, "%.1f MB"); },
         [](const Figures& f) { return f.startMemory; }},
        {"resident memory, no graphics driver", "<= 100 MB",
         [](const Figures& f) { return Value(f.memory, "%.1f MB"); },
         [](const Figures& f) { return f.memory; }},
        // Needs Retry on the results screen.
        {"resident memory after 100 games", "first + 5 MB",
         [](const Figures& f) { return Value(f.memoryAfterGames, "%.1f MB"); },
         [](const Figures& f) { return f.memoryAfterGames; }},
    };
    return rows;
}

std::string ExecutableBeside(const char* relative) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (self.parent_path() / relative).lexically_normal().string();
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::string executable = ExecutableBeside("../zeltarik");
    std::string previous;
    std::vector<std::pair<int, std::pair<int, int>>> servers = {{91, {1280, 800}},
                                                               {81, {800, 600}}};
    int launches = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i], value = argv[i + 1];
        if (option == "--executable")
            executable = value;
        else if (option == "--previous")
            previous = value;
        else if (option == "--launches")
            launches = std::max(1, std::atoi(value.c_str()));
        else if (option == "--display" || option == "--size") {
            // One server: --display N --size WxH (either may be left out).
            if (servers.size() > 1)
                servers.resize(1);
            if (option == "--display")
                servers[0].first = std::atoi(value.c_str());
            else if (std::sscanf(value.c_str(), "%dx%d", &servers[0].second.first,
                                 &servers[0].second.second) != 2)
                return std::fprintf(stderr, "launch_bench: size as WxH\n"), 2;
        } else {
            return std::fprintf(stderr, "launch_bench: unknown option %s\n", option.c_str()), 2;
        }
    }
    if (std::system("command -v Xvfb >/dev/null && command -v xdotool >/dev/null") != 0) {
        std::printf("launch_bench: needs Xvfb and xdotool; nothing measured\n");
        return 0;
    }
    if (!std::filesystem::exists(executable)) {
        std::printf("launch_bench: no program at %s; nothing measured\n", executable.c_str());
        return 0;
    }
    auto gameFirstBeside = [](const std::string& program) {
        return (std::filesystem::path(program).parent_path() / "bench" / "zeltarik_game_first")
            .string();
    };
    std::vector<Variant> variants = {
        {"now", executable, gameFirstBeside(executable), {"ZELTARIK_REDRAW", "ZELTARIK_DRAWING"}},
        {"whole frames", executable, gameFirstBeside(executable),
         {"ZELTARIK_REDRAW=whole", "ZELTARIK_DRAWING"}}};
    if (!previous.empty())
        variants.push_back({"previous build", previous, gameFirstBeside(previous),
                            {"ZELTARIK_REDRAW", "ZELTARIK_DRAWING"}});

    char folderTemplate[] = "/tmp/launch_bench.XXXXXX";
    const std::string dataFolder = mkdtemp(folderTemplate);
    std::printf("Program %s%s%s\nLoad average at start: %s\n", executable.c_str(),
                previous.empty() ? "" : ", previous build ", previous.c_str(),
                LoadAverage().c_str());
    for (const auto& [number, size] : servers) {
        XServer server(number, size.first, size.second);
        if (!server.Ready()) {
            std::printf("\n%d x %d: no X server on %s (is the display taken?)\n", size.first,
                        size.second, server.Name().c_str());
            continue;
        }
        std::vector<Figures> figures;
        for (const Variant& variant : variants) {
            figures.push_back(Measure(server, variant, dataFolder, launches));
            std::printf("  measured %s at %d x %d (load %s)\n", variant.name.c_str(), size.first,
                        size.second, LoadAverage().c_str());
        }
        std::printf("\n%d x %d, Xvfb %s (program CPU as a share of one core; the X server's "
                    "beside)\n",
                    size.first, size.second, server.Name().c_str());
        std::printf("%-38s %-11s", "figure", "goal");
        for (const Variant& variant : variants)
            std::printf(" %-24s", variant.name.c_str());
        std::printf(" %s\n", "whole/now");
        for (const Row& row : Rows()) {
            std::printf("%-38s %-11s", row.name, row.goal);
            for (const Figures& f : figures)
                std::printf(" %-24s", row.show(f).c_str());
            std::printf(" %s\n", Ratio(row.value(figures[0]), row.value(figures[1])).c_str());
        }
        std::printf("(the game's rows measured on %s)\n", figures[0].gameFrom.c_str());
    }
    std::filesystem::remove_all(dataFolder);
    std::printf("\nLoad average at the end: %s\n", LoadAverage().c_str());
    return 0;
}
