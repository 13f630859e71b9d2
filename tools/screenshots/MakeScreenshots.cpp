// Draws the program's screens with the headless renderer and writes each as an
// 800 × 600 PNG picture: the screenshots of the software-centre metadata, and
// the picture the package's smoke test expects the installed program to show
// first.
//
//     zeltarik_screenshots FOLDER    writes FOLDER/<name>.png for every screen
//     zeltarik_screenshots --list    prints the names, the first screen first
//
// The screens are drawn on the test clock at a fixed calendar time, so the
// random placement of the spots, and with it every picture, is the same on
// every run.
#include "app/App.h"
#include "gui/IMDialogBase.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/MessageQueue.h"
#include "platform/audio/HeadlessAudio.h"
#include "platform/window/HeadlessWindow.h"

#include <SDL_mouse.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The loop passes that let every control added by a screen reach the window
// and the frame be drawn.
constexpr int kSettlingPasses = 3;

// A place for the pointer away from every control, so no button shows its
// hover picture.
constexpr int kRestingX = 600;
constexpr int kRestingY = 560;

struct Session {
    platform::HeadlessWindow& display;
    platform::ManualClock& clock;
    App& app;

    void Pass(int passes = 1) {
        for (int i = 0; i < passes; ++i)
            RunMessageLoopPass(*MainWindow);
    }
};

// What the program shows first: the start screen, its name field empty.
void OpenStart(Session& session) {
    session.app.ShowStartScreen();
}

// The game as a run reaches it: the boat at its start on the lake.
// The step sequence opens it; without a student's name it writes no rows.
void OpenGame(Session& session) {
    session.app.NextStep();
}

// The game at the deepest point of a dive where the boat starts: pressing the
// wheel dives, every notch towards the screen goes one step deeper.
void OpenDive(Session& session) {
    session.app.NextStep();
    session.Pass(kSettlingPasses);
    constexpr int kLensX = 140;
    constexpr int kLensY = 330;
    session.display.MoveMouse(kLensX, kLensY);
    session.display.PressButton(SDL_BUTTON_MIDDLE, kLensX, kLensY);
    session.display.ReleaseButton(SDL_BUTTON_MIDDLE, kLensX, kLensY);
    session.Pass();
    while (session.app.depth < App::kMaxDepth) {
        const int before = session.app.depth;
        session.display.TurnWheel(1.0f);
        session.Pass();
        if (session.app.depth == before)
            break;
    }
}

struct Screen {
    const char* name;
    void (*open)(Session&);
};

// In the order a child meets them. The first must be the screen the entry
// point opens when the program starts: the package's smoke test looks for it
// on the installed program's display.
const Screen kScreens[] = {
    {"start", OpenStart},
    {"game", OpenGame},
    {"dive", OpenDive},
};

bool WritePng(const std::filesystem::path& path, const platform::Screenshot& shot) {
    // The screenshot's ARGB values are the bytes blue, green, red, alpha in
    // memory; the scene is opaque.
    std::vector<uint8_t> rgb(static_cast<size_t>(shot.width) * shot.height * 3);
    for (size_t i = 0; i < shot.pixels.size(); ++i) {
        const uint32_t pixel = shot.pixels[i];
        rgb[i * 3 + 0] = static_cast<uint8_t>(pixel >> 16);
        rgb[i * 3 + 1] = static_cast<uint8_t>(pixel >> 8);
        rgb[i * 3 + 2] = static_cast<uint8_t>(pixel);
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(shot.width);
    image.height = static_cast<png_uint_32>(shot.height);
    image.format = PNG_FORMAT_RGB;
    if (png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) == 0) {
        std::fprintf(stderr, "screenshots: cannot write %s: %s\n", path.c_str(), image.message);
        return false;
    }
    return true;
}

bool Draw(const Screen& screen, const std::filesystem::path& folder) {
    platform::HeadlessWindow display;
    platform::HeadlessAudio audio;
    platform::ManualClock clock;
    platform::ClearMessages();
    SetIdleWait(IdleWait::UntilDue);

    App* app = App::GetApp(kWindowTitle, false);
    Session session{display, clock, *app};
    display.MoveMouse(kRestingX, kRestingY);
    screen.open(session);
    session.Pass(kSettlingPasses);
    const platform::Screenshot shot = Renderer->ReadPixels();
    App::ReleaseApp();
    platform::ClearMessages();

    if (shot.pixels.empty()) {
        std::fprintf(stderr, "screenshots: the \"%s\" screen drew nothing\n", screen.name);
        return false;
    }
    return WritePng(folder / (std::string(screen.name) + ".png"), shot);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER | --list\n", argv[0]);
        return 2;
    }
    if (std::strcmp(argv[1], "--list") == 0) {
        for (const Screen& screen : kScreens)
            std::printf("%s\n", screen.name);
        return 0;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    bool written = true;
    for (const Screen& screen : kScreens)
        written = Draw(screen, folder) && written;
    return written ? 0 : 1;
}
