// Conversions between the window layer's SDL_Window and the opaque window the graphics device
// takes; only platform code includes this header.
#pragma once

#include "platform/graphics/GraphicsDevice.h"

#include <SDL.h>

namespace platform {

inline NativeWindow* ToNativeWindow(SDL_Window* window) {
    return reinterpret_cast<NativeWindow*>(window);
}

inline SDL_Window* ToSdlWindow(NativeWindow* window) {
    return reinterpret_cast<SDL_Window*>(window);
}

} // namespace platform
