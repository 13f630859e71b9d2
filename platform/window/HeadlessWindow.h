// The window's headless twin: while one exists, the main window opens on no
// display and takes its input from the events a test pushes, translated into
// messages exactly as the SDL window translates real ones.
#pragma once

#include "platform/window/WindowBackend.h"

#include <SDL_events.h>

#include <chrono>
#include <optional>
#include <string>

namespace platform {

class HeadlessWindow final : public WindowBackend {
public:
    HeadlessWindow();
    ~HeadlessWindow() override;
    HeadlessWindow(const HeadlessWindow&) = delete;
    HeadlessWindow& operator=(const HeadlessWindow&) = delete;

    // Translates the event at once and queues its messages. Main thread only,
    // like the events of the real window; other threads post messages.
    void PushEvent(const SDL_Event& event);

    // Shorthands for the events tests push most. Positions are scene pixels;
    // buttons are SDL's (SDL_BUTTON_LEFT …); clicks counts a quick series.
    void MoveMouse(int x, int y);
    void PressButton(uint8_t button, int x, int y, uint8_t clicks = 1);
    void ReleaseButton(uint8_t button, int x, int y);
    // notches: +1 is one step away from the user; fractions are what
    // smooth-scrolling devices report.
    void TurnWheel(float notches);
    void PressKey(SDL_Keycode key, uint16_t modifiers = KMOD_NONE, bool repeat = false);
    void ReleaseKey(SDL_Keycode key, uint16_t modifiers = KMOD_NONE);
    void TypeText(const char* utf8);
    void SendWindowEvent(SDL_WindowEventID event);

    // What the window was asked to do.
    bool IsOpen() const { return open; }
    bool IsShown() const { return shown; }
    bool IsCursorVisible() const { return cursorVisible; }
    const std::wstring& Title() const { return title; }
    // The waits of the loop: how many, and the time-out of the last one.
    int WaitCount() const { return waitCount; }
    std::optional<std::chrono::microseconds> LastWaitTimeout() const { return lastWaitTimeout; }

    // WindowBackend
    SDL_Window* NativeWindow() const override { return nullptr; }
    void Show() override { shown = true; }
    void PumpEvents() override {}
    void Wait(std::optional<std::chrono::microseconds> timeout) override;
    Point CursorPosition() const override;
    void SetCursorVisible(bool visible) override { cursorVisible = visible; }

    // Called by the window service when the main window opens and closes.
    void Open(const std::wstring& windowTitle);
    void Close();

private:
    bool open = false;
    bool shown = false;
    bool cursorVisible = true;
    std::wstring title;
    int waitCount = 0;
    std::optional<std::chrono::microseconds> lastWaitTimeout;
};

} // namespace platform
