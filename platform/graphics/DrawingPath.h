// How a window is drawn: by the processor into memory and shown through the window's own
// surface, or by OpenGL through SDL's renderer; decided without loading OpenGL where it could not
// be used. Internal to platform/graphics.
#pragma once

#include <SDL.h>

namespace platform {

enum class WindowDrawing {
    // The scene drawn by the processor; no OpenGL is loaded.
    Processor,
    // SDL's renderer, whatever it is.
    OpenGl,
    // SDL's renderer, unless its OpenGL turns out to be carried out by the processor.
    OpenGlUnlessEmulated,
};

// ZELTARIK_DRAWING=processor or =opengl decides; otherwise the machine: OpenGL is worth trying
// only with a graphics device to render on (a DRM render node the program may open) and, on X,
// a server that offers direct rendering (DRI2 or DRI3).
WindowDrawing ChooseWindowDrawing(SDL_Window* window);

// ZELTARIK_REDRAW=whole.
bool WholeFramesRequested();

} // namespace platform
