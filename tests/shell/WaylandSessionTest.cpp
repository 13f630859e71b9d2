// The program in a Wayland session, under a weston of the test's own with its
// headless backend: that compositor offers no seat, which SDL's Wayland driver
// cannot start without, so the program takes XWayland when the session has
// it and otherwise says in one line why it cannot show its window.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdio>
#include <regex>

#include "tests/shell/ProgramRun.h"
#include "tests/shell/report/ReportTestFolder.h"

namespace {

using namespace std::chrono_literals;

// A weston with its headless backend, an 800 × 600 output and, when asked,
// XWayland, on a socket in a runtime folder of its own.
class PrivateWeston {
public:
    enum class X { Without, With };

    PrivateWeston(const std::filesystem::path& runtime, X x) : runtime_(runtime) {
        if (!HaveCommand("weston"))
            return;
        std::filesystem::create_directories(runtime_);
        std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
        std::filesystem::create_directories("/tmp/.X11-unix");
        const std::filesystem::path log = runtime_ / "weston.log";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
            ::unsetenv("DISPLAY");
            ::unsetenv("WAYLAND_DISPLAY");
            const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(out, 2);
            const std::string logArgument = "--log=" + log.string();
            if (x == X::With)
                ::execlp("weston", "weston", "--backend=headless-backend.so", "--socket=zel-wayland",
                         "--width=800", "--height=600", "--idle-time=0", "--xwayland",
                         logArgument.c_str(), static_cast<char*>(nullptr));
            else
                ::execlp("weston", "weston", "--backend=headless-backend.so", "--socket=zel-wayland",
                         "--width=800", "--height=600", "--idle-time=0", logArgument.c_str(),
                         static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Ready once the socket is there and, with XWayland, once weston has
        // said which X display it listens on.
        const auto end = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < end) {
            if (std::filesystem::exists(runtime_ / "zel-wayland")) {
                if (x == X::Without) {
                    ready_ = true;
                    return;
                }
                std::ifstream file(log);
                const std::string text{std::istreambuf_iterator<char>(file), {}};
                std::smatch match;
                if (std::regex_search(text, match, std::regex("listening on display (:[0-9]+)"))) {
                    xDisplay_ = match[1];
                    ready_ = true;
                    return;
                }
            }
            std::this_thread::sleep_for(50ms);
        }
    }
    ~PrivateWeston() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    PrivateWeston(const PrivateWeston&) = delete;
    PrivateWeston& operator=(const PrivateWeston&) = delete;

    bool Ready() const { return ready_; }
    const std::string& XDisplay() const { return xDisplay_; }

    // What the program's surroundings need to find this session.
    void Into(EnvironmentChanges& environment) const {
        environment["XDG_RUNTIME_DIR"] = runtime_.string();
        environment["WAYLAND_DISPLAY"] = "zel-wayland";
        environment["DISPLAY"] = xDisplay_.empty() ? std::nullopt : std::optional(xDisplay_);
    }

private:
    std::filesystem::path runtime_;
    pid_t pid_ = -1;
    bool ready_ = false;
    std::string xDisplay_;
};

struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes; // red, green, blue, rows from the top
};

std::optional<Rgb> ReadPng(const std::filesystem::path& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return std::nullopt;
    image.format = PNG_FORMAT_RGB;
    Rgb picture{int(image.width), int(image.height), std::vector<uint8_t>(PNG_IMAGE_SIZE(image))};
    if (!png_image_finish_read(&image, nullptr, picture.bytes.data(), 0, nullptr))
        return std::nullopt;
    return picture;
}

// The program's top-level window as the X server of the session holds it.
std::optional<Rgb> GrabWindow(const std::string& display, unsigned long windowId) {
    Display* x = XOpenDisplay(display.c_str());
    if (!x)
        return std::nullopt;
    XWindowAttributes attributes;
    std::optional<Rgb> picture;
    if (XGetWindowAttributes(x, windowId, &attributes)) {
        if (XImage* image = XGetImage(x, windowId, 0, 0, attributes.width, attributes.height,
                                      AllPlanes, ZPixmap)) {
            picture = Rgb{attributes.width, attributes.height, {}};
            for (int y = 0; y < attributes.height; ++y)
                for (int xx = 0; xx < attributes.width; ++xx) {
                    const unsigned long pixel = XGetPixel(image, xx, y);
                    picture->bytes.insert(picture->bytes.end(),
                                          {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
                }
            XDestroyImage(image);
        }
    }
    XCloseDisplay(x);
    return picture;
}

// The share of pixels of the two pictures, of one size, that agree within a
// small slack per channel.
double Agreement(const Rgb& a, const Rgb& b) {
    if (a.width != b.width || a.height != b.height || a.bytes.empty())
        return 0;
    size_t same = 0;
    for (size_t i = 0; i + 2 < a.bytes.size(); i += 3) {
        bool close = true;
        for (size_t c = 0; c < 3; ++c)
            close = close && std::abs(int(a.bytes[i + c]) - int(b.bytes[i + c])) <= 4;
        same += close;
    }
    return double(same) / double(a.bytes.size() / 3);
}

class WaylandSessionTest : public testing::Test {
public:
    // As in MainTest: what the X and Wayland libraries keep for good belongs
    // to no module the leak checker of a sanitizer build could name.
    EnvironmentChanges Surroundings() const {
        const char* sanitizer = std::getenv("ASAN_OPTIONS");
        return {
            {"XDG_DATA_HOME", folder.Data().string()},
            {"HOME", (folder.Root() / "home").string()},
            {"SDL_AUDIODRIVER", "dummy"},
            {"SDL_RENDER_DRIVER", "software"},
            {"SDL_VIDEODRIVER", std::nullopt},
            {"ASAN_OPTIONS", std::string(sanitizer ? sanitizer : "") + (sanitizer ? ":" : "") +
                                 "detect_leaks=0"},
        };
    }
    std::filesystem::path ErrorFile() const { return folder.Root() / "stderr.txt"; }

    ReportTestFolder folder;
};

TEST_F(WaylandSessionTest, WithoutASeatOrXWaylandItSaysWhyInOneLineAndFails) {
    PrivateWeston weston(folder.Root() / "runtime", PrivateWeston::X::Without);
    if (!weston.Ready())
        GTEST_SKIP() << "weston is not installed or did not start";
    EnvironmentChanges environment = Surroundings();
    weston.Into(environment);
    ProgramRun program(ZEL_PROGRAM_PATH, environment, ErrorFile());
    const std::optional<int> status = program.WaitForExit(20s);
    ASSERT_TRUE(status.has_value()) << "the program runs on unseen";
    EXPECT_EQ(*status, 1) << "not a crash, a refusal: " << program.ErrorOutput();
    const std::string error = program.ErrorOutput();
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    EXPECT_NE(error.find("no display"), std::string::npos) << error;
    EXPECT_NE(error.find("wl_seat"), std::string::npos) << error;
}

TEST_F(WaylandSessionTest, WithXWaylandTheStartScreenShows) {
    if (!HaveCommand("Xwayland") || !HaveCommand("xdotool"))
        GTEST_SKIP() << "Xwayland or xdotool is not installed";
    PrivateWeston weston(folder.Root() / "runtime", PrivateWeston::X::With);
    if (!weston.Ready())
        GTEST_SKIP() << "weston with XWayland did not start";

    // The start screen as the same build draws it headless.
    const std::filesystem::path shots = folder.Root() / "shots";
    ASSERT_EQ(std::system((std::string(ZEL_SCREENSHOTS_PATH) + " " + shots.string() +
                           " >/dev/null 2>&1").c_str()), 0);
    const std::optional<Rgb> expected = ReadPng(shots / "start.png");
    ASSERT_TRUE(expected.has_value());

    EnvironmentChanges environment = Surroundings();
    weston.Into(environment);
    ProgramRun program(ZEL_PROGRAM_PATH, environment, ErrorFile());
    const std::string windowFile = (folder.Root() / "window.txt").string();
    ASSERT_EQ(std::system(("DISPLAY=" + weston.XDisplay() +
                           " timeout 30 xdotool search --sync --onlyvisible --class zeltarik >" +
                           windowFile).c_str()), 0)
        << program.ErrorOutput();
    unsigned long windowId = 0;
    std::ifstream(windowFile) >> windowId;
    ASSERT_NE(windowId, 0u);

    // The first frames follow the window's mapping closely; a busy machine
    // gets a few seconds.
    double agreement = 0;
    for (int attempt = 0; attempt < 50 && agreement < 0.9; ++attempt) {
        std::this_thread::sleep_for(200ms);
        if (const std::optional<Rgb> shown = GrabWindow(weston.XDisplay(), windowId))
            agreement = Agreement(*shown, *expected);
    }
    EXPECT_GE(agreement, 0.9) << program.ErrorOutput();
    EXPECT_TRUE(program.Running()) << program.ErrorOutput();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(30s), 0) << program.ErrorOutput();
}

} // namespace
