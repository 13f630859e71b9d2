// The headless twin of the SDL window: events pushed by tests, waits that a
// manual clock turns into no-ops.
#include "platform/window/HeadlessWindow.h"

#include "platform/Clock.h"
#include "platform/MessageQueue.h"

#include <cassert>
#include <cstring>
#include <vector>

namespace platform {

HeadlessWindow::HeadlessWindow() {
    InstallHeadlessBackend(this);
}

HeadlessWindow::~HeadlessWindow() {
    InstallHeadlessBackend(nullptr);
}

void HeadlessWindow::Open(const std::wstring& windowTitle) {
    open = true;
    shown = false;
    title = windowTitle;
}

void HeadlessWindow::Close() {
    open = false;
    shown = false;
}

void HeadlessWindow::PushEvent(const SDL_Event& event) {
    std::vector<Message> messages;
    translator.Translate(event, messages);
    for (const Message& m : messages)
        PostMessage(m.message, m.wParam, m.lParam);
}

void HeadlessWindow::MoveMouse(int x, int y) {
    SDL_Event e{};
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.x = x;
    e.motion.y = y;
    PushEvent(e);
}

void HeadlessWindow::PressButton(uint8_t button, int x, int y, uint8_t clicks) {
    SDL_Event e{};
    e.button.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = button;
    e.button.state = SDL_PRESSED;
    e.button.clicks = clicks;
    e.button.x = x;
    e.button.y = y;
    PushEvent(e);
}

void HeadlessWindow::ReleaseButton(uint8_t button, int x, int y) {
    SDL_Event e{};
    e.button.type = SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    PushEvent(e);
}

void HeadlessWindow::TurnWheel(float notches) {
    SDL_Event e{};
    e.wheel.type = SDL_MOUSEWHEEL;
    e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    e.wheel.y = static_cast<Sint32>(notches);
    e.wheel.preciseY = notches;
    PushEvent(e);
}

void HeadlessWindow::PressKey(SDL_Keycode key, uint16_t modifiers, bool repeat) {
    SDL_Event e{};
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.sym = key;
    e.key.keysym.mod = modifiers;
    PushEvent(e);
}

void HeadlessWindow::ReleaseKey(SDL_Keycode key, uint16_t modifiers) {
    SDL_Event e{};
    e.key.type = SDL_KEYUP;
    e.key.state = SDL_RELEASED;
    e.key.keysym.sym = key;
    e.key.keysym.mod = modifiers;
    PushEvent(e);
}

void HeadlessWindow::TypeText(const char* utf8) {
    SDL_Event e{};
    e.text.type = SDL_TEXTINPUT;
    assert(std::strlen(utf8) < sizeof e.text.text && "SDL delivers text in short pieces");
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    PushEvent(e);
}

void HeadlessWindow::SendWindowEvent(SDL_WindowEventID event) {
    SDL_Event e{};
    e.window.type = SDL_WINDOWEVENT;
    e.window.event = static_cast<Uint8>(event);
    PushEvent(e);
}

void HeadlessWindow::Wait(std::optional<std::chrono::microseconds> timeout) {
    ++waitCount;
    lastWaitTimeout = timeout;
    // Under a manual clock time stands still while the loop waits: the test
    // moves it, so blocking here could only hang the test.
    if (ManualClock::IsInstalled())
        return;
    WaitForMessage(timeout.value_or(std::chrono::hours(24)));
}

Point HeadlessWindow::CursorPosition() const {
    return translator.LastPointer();
}

} // namespace platform
