// Showing the scene on a window drawn by the processor: the scene, kept in memory at its own
// size, is scaled to the window letterboxed, as SDL's logical size would place it, with bilinear
// filtering; after a frame that changed only some rectangles, only the window pixels that depend
// on them are scaled again and handed to the display. Internal to platform/.
#pragma once

#include "platform/Types.h"

#include <SDL.h>

#include <cstdint>
#include <span>
#include <vector>

namespace platform {

// Where a scene of sceneWidth × sceneHeight lands in a window of windowWidth × windowHeight: as
// large as fits with its aspect kept, centred, the rest black (the rule of SDL's logical size).
Rect LetterboxIn(int sceneWidth, int sceneHeight, int windowWidth, int windowHeight);

// Bilinear scaling of a 32-bit scene into a letterboxed area of a 32-bit target. Each target
// pixel depends only on its own position and the scene's pixels, so scaling part of the target
// gives exactly the pixels a whole scaling gives there.
class SceneScaler {
public:
    SceneScaler() = default;
    SceneScaler(int sceneWidth, int sceneHeight, const Rect& area);

    const Rect& Area() const { return area_; }
    bool IsIdentity() const { return identity_; }

    // The target pixels (inside the area) whose value depends on the scene rectangle.
    Rect TargetRectFor(const Rect& sceneRect) const;
    // Scales into the target pixels of targetRect (clipped to the area). Pitches are in bytes.
    // Several pixels at a time where the processor has vector instructions (SSE2).
    void Scale(const uint32_t* scene, int scenePitch, uint32_t* target, int targetPitch,
               const Rect& targetRect) const;
    // The same pixels one at a time: the reference the vectorised loops must match.
    void ScaleOneByOne(const uint32_t* scene, int scenePitch, uint32_t* target, int targetPitch,
                       const Rect& targetRect) const;

    // A window position (target pixels) as a scene position; outside the scene in the letterbox.
    void TargetToScene(int x, int y, float& sceneX, float& sceneY) const;
    void SceneToTarget(float sceneX, float sceneY, int& x, int& y) const;

private:
    // One target column or row: the first of the two scene pixels it blends and the weight of
    // the second, 0 … 255.
    struct Tap {
        int index = 0;
        int weight = 0;
    };
    static std::vector<Tap> Taps(int sceneSize, int targetSize);

    int sceneWidth_ = 0;
    int sceneHeight_ = 0;
    Rect area_{};
    bool identity_ = false;
    std::vector<Tap> columns_;
    std::vector<Tap> rows_;
    // Each column's two weights, 256 − weight and weight, four 16-bit lanes of each, as the
    // vectorised loop multiplies the two pixels it blends.
    std::vector<uint64_t> columnWeights_;
    // One blended scene row, reused from call to call.
    mutable std::vector<uint32_t> blendedRow_;
};

// The window half: the window's own surface (SDL's framebuffer, no renderer and so no OpenGL),
// the scaler for its current size, and mouse positions turned back into scene pixels.
class WindowPresenter {
public:
    WindowPresenter(SDL_Window* window, int sceneWidth, int sceneHeight);
    ~WindowPresenter();
    WindowPresenter(const WindowPresenter&) = delete;
    WindowPresenter& operator=(const WindowPresenter&) = delete;

    // False when the window has no surface SDL can give.
    bool IsUsable();

    // Scales the whole scene and shows the whole window, letterbox included.
    void PresentWhole(SDL_Surface* scene);
    // Shows the scene where only these scene rectangles changed since the last present; a first
    // present, or one after the window's size or surface changed, shows the whole window.
    void PresentChanged(SDL_Surface* scene, std::span<const Rect> changed);

    SDL_Window* Window() const { return window_; }
    void WindowToScene(int x, int y, float& sceneX, float& sceneY);
    void SceneToWindow(float sceneX, float sceneY, int& x, int& y);

    // The presenter drawing into the window, if any.
    static WindowPresenter* ForWindow(SDL_Window* window);

private:
    // The window's surface, with the scaler made for its size; null when there is none.
    SDL_Surface* Surface();
    void ScaleInto(SDL_Surface* scene, SDL_Surface* target, const Rect& targetRect);
    // The scaler of the last present; before the first one, the one the window's size will get,
    // made in beforeFirstPresent.
    const SceneScaler& InputScaler(SceneScaler& beforeFirstPresent) const;
    static int SDLCALL WatchMouse(void* presenter, SDL_Event* event);

    SDL_Window* window_;
    Uint32 windowId_;
    int sceneWidth_;
    int sceneHeight_;
    SDL_Surface* surface_ = nullptr;
    int surfaceWidth_ = 0;
    int surfaceHeight_ = 0;
    SceneScaler scaler_;
    // The window shows a whole earlier present of this surface.
    bool shown_ = false;
    // For window surfaces whose pixels are not 32-bit RGB: the scaled scene before conversion.
    SDL_Surface* converted_ = nullptr;
    std::vector<SDL_Rect> updates_;
};

} // namespace platform
