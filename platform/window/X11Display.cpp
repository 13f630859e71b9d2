#include "platform/window/X11Display.h"

#ifdef SDL_VIDEO_DRIVER_X11
namespace platform {

X11Display::X11Display(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11 ||
        !info.info.x11.display)
        return;
    library = SDL_LoadObject("libX11.so.6");
    if (library)
        display = info.info.x11.display;
}

X11Display::~X11Display() {
    if (library)
        SDL_UnloadObject(library);
}

} // namespace platform
#endif
