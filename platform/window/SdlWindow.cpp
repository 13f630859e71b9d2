// The SDL2 window: one full-screen window (or a plain one of the scene's size)
// whose renderer letterboxes the 800 × 600 scene, and SDL's event queue as the
// source of input. Implemented: mouse, wheel, keys, typed text, expose,
// minimise and restore, hide and show, close, device resets, and waking the
// wait when any thread posts. Left out: side mouse buttons, horizontal
// wheels, IME composition (only finished text counts).
#include "platform/window/SdlWindow.h"

#include "platform/MessageQueue.h"
#include "platform/TextCodec.h"
#include "platform/graphics/SdlNativeWindow.h"
#include "platform/window/Utf8Locale.h"
#include "platform/window/Window.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {

SdlWindow::~SdlWindow() {
    SetMessageWaker({});
    if (window)
        SDL_DestroyWindow(window);
    if (videoStarted)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlWindow::Create(const std::wstring& title, const Rect& placement, bool fullScreen,
                       std::string& error) {
    // Typed Cyrillic reaches SDL only through an input method opened under a
    // UTF-8 locale.
    EnsureUtf8Locale();
    // A child's first click on the window must count, even if it only gave
    // the window the focus.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = std::string("cannot start the video subsystem: ") + SDL_GetError();
        return false;
    }
    videoStarted = true;

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
