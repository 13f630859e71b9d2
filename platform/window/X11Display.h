// The X display an SDL window shows on, with the X library SDL has already
// loaded, so that the platform layer can ask that display's server a question
// without linking the library itself. Only where SDL has its X11 driver.
// Internal to platform/.
#pragma once

#include <SDL.h>

#ifdef SDL_VIDEO_DRIVER_X11
#include <SDL_syswm.h>

namespace platform {

class X11Display {
public:
    // Empty unless the window is on an X display and the X library loads.
    explicit X11Display(SDL_Window* window);
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    explicit operator bool() const { return library != nullptr; }
    Display* Get() const { return display; }

    // The X library's function of that name, null where it has none. Only on
    // a display that is not empty.
    template <typename Function>
    Function Find(const char* name) const {
        return reinterpret_cast<Function>(SDL_LoadFunction(library, name));
    }

private:
    Display* display = nullptr;
    void* library = nullptr;
};

} // namespace platform
#endif
