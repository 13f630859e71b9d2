// The seam between the window service (Window.h) and its two backends, the
// SDL window and the headless twin. Only platform/window includes it.
#pragma once

#include "platform/Types.h"
#include "platform/window/EventTranslator.h"

#include <chrono>
#include <optional>

struct SDL_Window;

namespace platform {

class WindowBackend {
public:
    virtual ~WindowBackend() = default;

    virtual SDL_Window* NativeWindow() const = 0;
    virtual void Show() = 0;
    virtual void PumpEvents() = 0;
    virtual void Wait(std::optional<std::chrono::microseconds> timeout) = 0;
    virtual Point CursorPosition() const = 0;
    virtual void SetCursorVisible(bool visible) = 0;

    // The translator keeps the key and button state that the messages carry,
    // so both backends answer key-state questions from it.
    EventTranslator& Translator() { return translator; }

protected:
    EventTranslator translator;
};

// The headless twin installs itself here for its lifetime (null removes it).
void InstallHeadlessBackend(WindowBackend* backend);

// Runs the handler given to SetDeviceResetHandler, if any.
void NotifyDeviceReset();

} // namespace platform
