// The SDL2 window: one full-screen window (or a plain one of the scene's size)
// whose renderer letterboxes the 800 × 600 scene, and SDL's event queue as the
// source of input. Implemented: mouse, wheel, keys, typed text, expose,
// minimise and restore, hide and show, close, device resets, waking the wait
// when any thread posts, the system's termination signals as a close, and
// refusing to open where nothing would show the window. Left out: side mouse
// buttons, horizontal wheels, IME composition (only finished text counts).
#include "platform/window/SdlWindow.h"

#include "platform/MessageQueue.h"
#include "platform/TextCodec.h"
#include "platform/graphics/SdlNativeWindow.h"
#include "platform/window/TerminationSignals.h"
#include "platform/window/Utf8Locale.h"
#include "platform/window/WaylandSession.h"
#include "platform/window/X11Display.h"
#include "platform/window/Window.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <clocale>
#include <cstdlib>
#include <string>
#include <vector>

namespace platform {
namespace {

// SDL's drivers that open windows nobody sees.
bool ShowsNothing(const char* driver) {
    for (const char* screenless : {"offscreen", "dummy", "evdev"})
        if (driver && SDL_strcasecmp(driver, screenless) == 0)
            return true;
    return false;
}

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// The drivers SDL may try when nobody named one, in SDL's own order: every
// one that shows something. Wayland only where a compositor says it is there,
// since its library complains on stderr when it finds none, and only where
// that compositor offers all SDL's driver needs (it crashes without a seat);
// then it goes first, so a Wayland session gets a native window, and X
// (XWayland in such a session) is what remains otherwise.
std::string ScreenDrivers(const WaylandSession& wayland) {
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* driver = SDL_GetVideoDriver(i);
        if (ShowsNothing(driver) || SDL_strcasecmp(driver, "wayland") == 0)
            continue;
        drivers += (drivers.empty() ? "" : ",") + std::string(driver);
    }
    if (wayland.Usable())
        drivers = "wayland" + std::string(drivers.empty() ? "" : ",") + drivers;
    return drivers;
}

std::string NoDisplayText(const WaylandSession& wayland) {
    std::string text = "there is no display to show the window on: ";
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY"))
        return text + "neither DISPLAY nor WAYLAND_DISPLAY is set";
    std::string reasons;
    if (IsSet("WAYLAND_DISPLAY"))
        reasons = std::string("the Wayland display ") + std::getenv("WAYLAND_DISPLAY") + " " +
                  wayland.Shortcoming();
    if (IsSet("DISPLAY"))
        reasons += (reasons.empty() ? "" : ", and ") + std::string("the X display ") +
                   std::getenv("DISPLAY") + " does not answer";
    else
        reasons += " and DISPLAY is not set for XWayland";
    return text + reasons;
}

// Whether an X window manager runs on the window's display (it announces itself on the root
// window). Asked through the X library SDL has already loaded. True where it cannot tell, and for
// every other video driver.
bool HasWindowManager(SDL_Window* window) {
#ifdef SDL_VIDEO_DRIVER_X11
    const X11Display x11(window);
    if (!x11)
        return true;
    using InternAtom = Atom (*)(Display*, const char*, Bool);
    using GetProperty = int (*)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*,
                                unsigned long*, unsigned long*, unsigned char**);
    using Free = int (*)(void*);
    using DefaultRoot = Window (*)(Display*);
    auto intern = x11.Find<InternAtom>("XInternAtom");
    auto get = x11.Find<GetProperty>("XGetWindowProperty");
    auto release = x11.Find<Free>("XFree");
    auto root = x11.Find<DefaultRoot>("XDefaultRootWindow");
    if (!intern || !get || !release || !root)
        return true;
    Display* display = x11.Get();
    const Atom check = intern(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == 0)
        return false;
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (get(display, root(display), check, 0, 1, False, AnyPropertyType, &type, &format, &items,
            &after, &data) != Success ||
        !data)
        return false;
    const bool found = items > 0;
    release(data);
    return found;
#else
    (void)window;
    return true;
#endif
}

} // namespace

SdlWindow::~SdlWindow() {
    StopTerminationRequests();
    SetMessageWaker({});
    if (window)
        SDL_DestroyWindow(window);
    if (videoStarted)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlWindow::Create(const std::wstring& title, const Rect& placement, bool fullScreen,
                       std::string& error) {
    // Typed Cyrillic reaches SDL only through an input method, which SDL
    // opens under the environment's locale: that must be a UTF-8 one. The
    // process goes back to its own character locale once the window stands.
    // Under a UTF-8 one, Debian's SDL 2.26 reads past the end of a buffer at
    // every release of a key whose letter is not Latin (it converts the
    // release's text as if it were Latin-1); under "C" there is no such text,
    // and the input method still gives the pressed keys' letters in UTF-8.
    const std::string processLocale = std::setlocale(LC_CTYPE, nullptr);
    struct RestoreLocale {
        const std::string& locale;
        ~RestoreLocale() { std::setlocale(LC_CTYPE, locale.c_str()); }
    } restoreLocale{processLocale};
    EnsureUtf8Locale();
    // A child's first click on the window must count, even if it only gave
    // the window the focus.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // From here on a shutdown, a logout or Ctrl+C closes the window like the
    // child does; SDL's own handlers would only cover two of the signals.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    StartTerminationRequests();

    // Where there is no screen SDL falls back to a driver that shows nothing,
    // and the program would run on unseen. A driver named in SDL_VIDEODRIVER
    // is taken as it is: the tests ask for the screenless ones that way.
    const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    const bool driverRequested = requested && *requested;
    const bool choosing = !driverRequested && !SDL_WasInit(SDL_INIT_VIDEO);
    WaylandSession wayland;
    if (choosing && IsSet("WAYLAND_DISPLAY"))
        wayland = CheckWaylandSession();
    if (choosing)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, ScreenDrivers(wayland).c_str());
    const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (choosing)
        SDL_SetHint(SDL_HINT_VIDEODRIVER, nullptr);
    if (!started) {
        error = choosing ? NoDisplayText(wayland)
                         : std::string("cannot start the video subsystem: ") + SDL_GetError();
        return false;
    }
    videoStarted = true;
    if (!driverRequested && ShowsNothing(SDL_GetCurrentVideoDriver())) {
        error = NoDisplayText(wayland);
        return false;
    }

    int width = placement.right - placement.left;
    int height = placement.bottom - placement.top;
    int x = placement.left == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : placement.left;
    int y = placement.top == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : placement.top;
    if (width <= 0 || height <= 0)
        width = kSceneWidth, height = kSceneHeight;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (fullScreen) {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        // The window manager makes the window cover the display. Without one
        // (a kiosk session, Xvfb) SDL still believes the window has the
        // display's size while X keeps the size it was created with, and
        // every pointer position comes out wrong; created at the display's
        // own size and place, it is right either way.
        SDL_Rect display;
        if (SDL_GetDisplayBounds(0, &display) == 0 && display.w > 0 && display.h > 0)
            x = display.x, y = display.y, width = display.w, height = display.h;
    }
    window = SDL_CreateWindow(WideToUtf8(title).c_str(), x, y, width, height, flags);
    if (!window) {
        error = std::string("cannot create the window: ") + SDL_GetError();
        return false;
    }
    // Without a window manager nobody answers SDL's request to show the window full screen, and
    // SDL waits a tenth of a second for the answer before it gives up; the window made at the
    // display's size and place already covers it, so the request goes.
    if (fullScreen && !HasWindowManager(window))
        SDL_SetWindowFullscreen(window, 0);

    wakeEvent = SDL_RegisterEvents(1);
    if (wakeEvent != static_cast<uint32_t>(-1)) {
        const uint32_t type = wakeEvent;
        SetMessageWaker([type] {
            SDL_Event e{};
            e.type = type;
            SDL_PushEvent(&e);
        });
    }
    SDL_StartTextInput();
    return true;
}

void SdlWindow::Show() {
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
}

void SdlWindow::PumpEvents() {
    std::vector<Message> messages;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == wakeEvent)
            continue;
        translator.Translate(event, messages);
    }
    for (const Message& m : messages)
        PostMessage(m.message, m.wParam, m.lParam);
}

void SdlWindow::Wait(std::optional<std::chrono::microseconds> timeout) {
    if (QueuedMessageCount() > 0)
        return;
    // SDL waits in whole milliseconds; rounding up never wakes the loop
    // before a deadline. A message posted meanwhile pushes the wake event, so
    // it cannot be missed between the check above and the wait.
    if (!timeout) {
        SDL_WaitEvent(nullptr);
        return;
    }
    const int64_t microseconds = std::max<int64_t>(0, timeout->count());
    const int64_t milliseconds = std::min<int64_t>((microseconds + 999) / 1000, INT32_MAX);
    if (milliseconds > 0)
        SDL_WaitEventTimeout(nullptr, static_cast<int>(milliseconds));
}

Point SdlWindow::CursorPosition() const {
    int x = 0, y = 0;
    if (SDL_GetMouseFocus() == window) {
        SDL_GetMouseState(&x, &y);
    } else {
        // Off the window: the global position relative to the window, which
        // lies outside the scene.
        int windowX = 0, windowY = 0;
        SDL_GetGlobalMouseState(&x, &y);
        SDL_GetWindowPosition(window, &windowX, &windowY);
        x -= windowX;
        y -= windowY;
    }
    float sceneX = 0, sceneY = 0;
    WindowToScene(window, x, y, sceneX, sceneY);
    return {static_cast<int>(std::floor(sceneX)), static_cast<int>(std::floor(sceneY))};
}

void SdlWindow::SetCursorVisible(bool visible) {
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

} // namespace platform
