// The real window backend over SDL2's video and events. Internal to
// platform/window.
#pragma once

#include "platform/window/WindowBackend.h"

#include <cstdint>
#include <string>

namespace platform {

class SdlWindow final : public WindowBackend {
public:
    SdlWindow() = default;
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    // Starts SDL's video, creates the window hidden and starts text input.
    bool Create(const std::wstring& title, const Rect& placement, bool fullScreen,
                std::string& error);

    SDL_Window* NativeWindow() const override { return window; }
    void Show() override;
    void PumpEvents() override;
    void Wait(std::optional<std::chrono::microseconds> timeout) override;
    Point CursorPosition() const override;
    void SetCursorVisible(bool visible) override;

private:
    SDL_Window* window = nullptr;
    bool videoStarted = false;
    // An event of our own that only wakes SDL's wait when another thread
    // posts a message.
    uint32_t wakeEvent = 0;
};

} // namespace platform
