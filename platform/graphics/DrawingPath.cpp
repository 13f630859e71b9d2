// The choice of drawing path from the environment and what the machine offers.
#include "platform/graphics/DrawingPath.h"

#include "platform/window/X11Display.h"

#if !defined(_WIN32)
#include <dirent.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {
namespace {

// Windows has no render nodes: every Windows machine has a display driver
// (or Windows' own software one, WARP) behind Direct3D.
bool HasRenderNode() {
#if defined(_WIN32)
    return true;
#else
    DIR* folder = opendir("/dev/dri");
    if (!folder)
        return false;
    bool found = false;
    while (dirent* entry = readdir(folder)) {
        if (std::strncmp(entry->d_name, "renderD", 7) != 0)
            continue;
        const std::string path = std::string("/dev/dri/") + entry->d_name;
        if (access(path.c_str(), R_OK | W_OK) == 0) {
            found = true;
            break;
        }
    }
    closedir(folder);
    return found;
#endif
}

// Whether the window's X server offers direct rendering. Asked through the X library SDL has
// already loaded, so that the program does not link it itself. Other video drivers (Wayland, a
// console) render directly whenever there is a render node.
bool OffersDirectRendering(SDL_Window* window) {
#ifdef SDL_VIDEO_DRIVER_X11
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver || std::strcmp(driver, "x11") != 0)
        return true;
    const X11Display x11(window);
    if (!x11)
        return true;
    using QueryExtension = int (*)(Display*, const char*, int*, int*, int*);
    auto query = x11.Find<QueryExtension>("XQueryExtension");
    if (!query)
        return true;
    int opcode = 0, event = 0, error = 0;
    return query(x11.Get(), "DRI3", &opcode, &event, &error) ||
           query(x11.Get(), "DRI2", &opcode, &event, &error);
#else
    (void)window;
    return true;
#endif
}

} // namespace

WindowDrawing ChooseWindowDrawing(SDL_Window* window) {
    if (const char* forced = std::getenv("ZELTARIK_DRAWING"); forced && *forced) {
        if (std::strcmp(forced, "processor") == 0)
            return WindowDrawing::Processor;
        if (std::strcmp(forced, "opengl") == 0)
            return WindowDrawing::OpenGl;
        std::fprintf(stderr,
                     "graphics: ZELTARIK_DRAWING=%s is neither \"processor\" nor \"opengl\"; "
                     "choosing by the machine\n",
                     forced);
    }
    if (HasRenderNode() && OffersDirectRendering(window))
        return WindowDrawing::OpenGlUnlessEmulated;
    return WindowDrawing::Processor;
}

bool WholeFramesRequested() {
    const char* redraw = std::getenv("ZELTARIK_REDRAW");
    return redraw && std::strcmp(redraw, "whole") == 0;
}

} // namespace platform
