// The window service: one main window at a time, real or headless, and the
// state user32 kept for it (the cursor's display counter).
#include "platform/window/Window.h"

#include "platform/window/HeadlessWindow.h"
#include "platform/window/SdlWindow.h"
#include "platform/window/WindowBackend.h"

#include <SDL.h>

#include <memory>

namespace platform {
namespace {

HeadlessWindow* headless = nullptr;
std::unique_ptr<SdlWindow> sdlWindow;
WindowBackend* active = nullptr;
int cursorCount = 0;
std::function<void()> deviceResetHandler;

} // namespace

void InstallHeadlessBackend(WindowBackend* backend) {
    if (!backend && active == headless)
        active = nullptr;
    headless = static_cast<HeadlessWindow*>(backend);
}

void NotifyDeviceReset() {
    if (deviceResetHandler)
        deviceResetHandler();
}

WindowHandle OpenMainWindow(const std::wstring& title, const Rect& placement, WindowMode mode,
                            std::string& error) {
    if (active)
        CloseMainWindow();
    cursorCount = 0;
    if (headless) {
        headless->Open(title);
        active = headless;
        return active;
    }
    auto window = std::make_unique<SdlWindow>();
    if (!window->Create(title, placement, mode == WindowMode::FullScreen, error))
        return nullptr;
    sdlWindow = std::move(window);
    active = sdlWindow.get();
    return active;
}

void ShowMainWindow() {
    if (active)
        active->Show();
}

void CloseMainWindow() {
    if (active && active == headless)
        headless->Close();
    active = nullptr;
    sdlWindow.reset();
}

WindowHandle MainWindowBackend() {
    return active;
}

SDL_Window* MainSdlWindow() {
    return active ? active->NativeWindow() : nullptr;
}

NativeWindow* MainNativeWindow() {
    return reinterpret_cast<NativeWindow*>(MainSdlWindow());
}

void PumpWindowEvents() {
    if (active)
        active->PumpEvents();
}

void WaitForWindowInput(std::optional<std::chrono::microseconds> timeout) {
    if (active)
        active->Wait(timeout);
    else
        WaitForMessage(timeout.value_or(std::chrono::hours(24)));
}

Rect GetClientRect() {
    return Rect{0, 0, kSceneWidth, kSceneHeight};
}

Point GetCursorPos() {
    if (active)
        return active->CursorPosition();
    if (headless)
        return headless->CursorPosition();
    return Point{-1, -1};
}

int16_t GetAsyncKeyState(uint32_t virtualKey) {
    WindowBackend* backend = active ? active : headless;
    if (!backend)
        return 0;
    return backend->Translator().IsKeyDown(virtualKey) ? static_cast<int16_t>(0x8000) : 0;
}

int ShowCursor(bool show) {
    cursorCount += show ? 1 : -1;
    if (WindowBackend* backend = active ? active : headless)
        backend->SetCursorVisible(cursorCount >= 0);
    return cursorCount;
}

void SetDeviceResetHandler(std::function<void()> handler) {
    deviceResetHandler = std::move(handler);
}

} // namespace platform
