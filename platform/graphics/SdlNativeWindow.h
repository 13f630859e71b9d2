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

// A position in the window's pixels as a position in the scene its device draws (outside the
// scene in the letterbox), and back; unchanged for a window no device draws into.
void WindowToScene(SDL_Window* window, int x, int y, float& sceneX, float& sceneY);
void SceneToWindow(SDL_Window* window, float sceneX, float sceneY, int& x, int& y);

} // namespace platform
