// The graphics device the renderer draws with: lockable 32-bit textures, one tinted quad at a
// time with alpha blending, a clip rectangle, clear and present, and the lost-device signal.
//
// There is one implementation, over SDL2 (SdlGraphicsDevice.cpp), with two ways of drawing into a
// window. Drawn by the processor, SDL's software renderer draws the scene into an in-memory
// surface of width × height, which is scaled to the window's own surface, only where it changed
// (ScenePresenter.h); no OpenGL is loaded. With OpenGL it uses the window's renderer with a logical
// size of width × height. Either way every coordinate here is a scene pixel whatever the
// display's size. Without a window it is the headless twin: the processor's way without the
// window, drawing into the in-memory surface that tests read back.
//
// Which way a window is drawn: OpenGL where the machine has a graphics device (a DRM render node)
// and the X server offers direct rendering, unless OpenGL turns out to be emulated on the
// processor; the processor otherwise. ZELTARIK_DRAWING=processor or =opengl forces either.
// ZELTARIK_REDRAW=whole draws and shows every frame whole, each picture as SDL alone draws it
// (see SdlGraphicsDevice.cpp), the way to compare against.
#pragma once

#include "platform/Types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace platform {

// The window a device draws into. The window layer owns an SDL_Window and hands it over as this
// opaque type (platform/graphics/SdlNativeWindow.h converts), so that no layer above the platform
// sees SDL types. A null window stands for "headless".
struct NativeWindow;

// Texture formats by their Direct3D numbers. Both hold 32 bits per pixel, in memory the bytes
// blue, green, red and alpha; X8R8G8B8 ignores the fourth byte and draws opaque.
enum class TextureFormat : uint32_t {
    A8R8G8B8 = 21,
    X8R8G8B8 = 22,
};

// One pre-transformed vertex: position in scene pixels with the renderer's −0.5 pixel-centre
// shift already applied, z 0, rhw 1, an ARGB tint multiplied with the texture, and texture
// coordinates (0 … 1 across the whole texture).
struct QuadVertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float rhw = 1.0f;
    uint32_t diffuse = 0xFFFFFFFF;
    float u = 0.0f;
    float v = 0.0f;
};
static_assert(sizeof(QuadVertex) == 28, "the quad vertex keeps the 28-byte layout of its format");

// The four corners of a quad in drawing order: top-left, top-right, bottom-right, bottom-left of
// the upright picture (a fan of two triangles).
using Quad = std::array<QuadVertex, 4>;

// The pixels of a locked texture: rows of `pitch` bytes, the top row first.
struct LockedRect {
    uint8_t* bits = nullptr;
    int pitch = 0;
};

// A texture made by a GraphicsDevice. Its size is exactly what was asked for (callers round up to
// powers of two themselves). New textures are all zero bytes. A texture may outlive its device:
// it then neither locks nor draws.
class DeviceTexture {
public:
    virtual ~DeviceTexture() = default;
    DeviceTexture(const DeviceTexture&) = delete;
    DeviceTexture& operator=(const DeviceTexture&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    TextureFormat Format() const { return format_; }

    // Gives the current pixels for reading and writing until Unlock, which makes what was written
    // the texture's content. Fails when the device is gone or the texture is already locked.
    virtual std::optional<LockedRect> Lock() = 0;
    virtual void Unlock() = 0;

protected:
    DeviceTexture(int width, int height, TextureFormat format)
        : width_(width), height_(height), format_(format) {}

private:
    int width_;
    int height_;
    TextureFormat format_;
};

// Locks a texture for the life of the object.
class TextureLock {
public:
    explicit TextureLock(DeviceTexture& texture) : texture_(texture), rect_(texture.Lock()) {}
    ~TextureLock() {
        if (rect_)
            texture_.Unlock();
    }
    TextureLock(const TextureLock&) = delete;
    TextureLock& operator=(const TextureLock&) = delete;

    explicit operator bool() const { return rect_.has_value(); }
    uint8_t* Bits() const { return rect_->bits; }
    int Pitch() const { return rect_->pitch; }

private:
    DeviceTexture& texture_;
    std::optional<LockedRect> rect_;
};

// What the device shows: width × height ARGB values (alpha in the top byte), row by row.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

class GraphicsDevice {
public:
    // A device drawing into the window, or headless when the window is null. Null when SDL cannot
    // make one (the reason goes to stderr). The window's video subsystem must be started
    // (GraphicsSystem does that).
    static std::unique_ptr<GraphicsDevice> Create(NativeWindow* window, int width, int height);

    virtual ~GraphicsDevice() = default;
    GraphicsDevice(const GraphicsDevice&) = delete;
    GraphicsDevice& operator=(const GraphicsDevice&) = delete;

    // The back buffer's size in scene pixels.
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool IsHeadless() const = 0;

    // A new texture of exactly width × height, all zero bytes. Throws std::bad_alloc when texture
    // memory is exhausted (the caller may free textures and try again); returns null for any other
    // failure (a size the device cannot make, a broken renderer).
    virtual std::unique_ptr<DeviceTexture> CreateTexture(int width, int height,
                                                         TextureFormat format) = 0;

    // Draws the texture as one quad, blended with source alpha over what is there (colour and
    // alpha of the texture multiplied by each vertex's tint), clipped to the viewport. A texture
    // enlarged on screen is sampled with the nearest texel, one made smaller is filtered (and so
    // is everything in a window that scales the scene to a larger display).
    virtual void DrawQuad(DeviceTexture& texture, const Quad& quad) = 0;

    // Frame operations. Clear fills the whole back buffer with an ARGB colour, ignoring the
    // viewport; Present shows the frame in the window (headless, it finishes the drawing).
    virtual void Clear(uint32_t color) = 0;
    virtual void BeginScene() = 0;
    virtual void EndScene() = 0;
    virtual void Present() = 0;
    // Present for a frame in which only these scene rectangles changed since the frame shown last;
    // a device that cannot show part of a frame shows all of it.
    virtual void PresentChanged(std::span<const Rect> changed) = 0;
    // Every frame is to be drawn and shown whole (ZELTARIK_REDRAW=whole).
    virtual bool DrawsWholeFrames() const = 0;
    // How the device draws: "processor", "opengl" (SDL's renderer on the window) or "headless".
    virtual const char* DrawingPath() const = 0;

    // A kept scene: drawing between BeginKeptScene and EndKeptScene goes into a picture of the
    // scene's size that keeps its pixels from one frame to the next, so a frame may redraw only
    // what changed. False when the device cannot keep one; drawing then goes straight to the back
    // buffer. `intact` tells whether the kept pixels are still those of the last frame (false on
    // first use). EndKeptScene puts the kept scene into the back buffer, the border of a
    // letterboxed display black.
    virtual bool BeginKeptScene(bool& intact) = 0;
    virtual void EndKeptScene() = 0;
    // Fills the rectangle (within the viewport) with an ARGB colour, replacing what is there.
    virtual void FillRect(const Rect& rect, uint32_t color) = 0;

    // The clip rectangle that drawing is limited to, in scene pixels. A new device's viewport is
    // its whole back buffer.
    virtual Rect GetViewport() const = 0;
    virtual void SetViewport(const Rect& viewport) = 0;

    // The window layer calls this when SDL reports that the renderer lost its textures
    // (SDL_RENDER_DEVICE_RESET, SDL_RENDER_TARGETS_RESET). The device stays lost until it is
    // replaced by a new one.
    virtual void NotifyDeviceLost() = 0;
    virtual bool IsLost() const = 0;

    // The back buffer as drawn so far in this frame: the scene for the processor's way and the
    // headless twin, the window's pixels with OpenGL (undefined after Present there).
    virtual Screenshot ReadPixels() = 0;

    // A limit on the bytes of all live textures (4 per texel); 0 means none. Creating a texture
    // beyond it throws std::bad_alloc, as real video memory running out does. Tests use it to
    // exhaust "video memory" for real.
    virtual void SetTextureMemoryBudget(size_t bytes) = 0;
    virtual size_t TextureMemoryInUse() const = 0;

protected:
    GraphicsDevice() = default;
};

// What devices need from the system before one can be made: SDL's video subsystem for a window,
// nothing for a headless device (which runs without SDL_Init and without any display).
class GraphicsSystem {
public:
    // Null when the window's video subsystem cannot start.
    static std::unique_ptr<GraphicsSystem> Open(NativeWindow* window);
    ~GraphicsSystem();
    GraphicsSystem(const GraphicsSystem&) = delete;
    GraphicsSystem& operator=(const GraphicsSystem&) = delete;

    // Whether the display mode of the window's display can be read (always true headless).
    bool HasDisplayMode(NativeWindow* window) const;

    std::unique_ptr<GraphicsDevice> CreateDevice(NativeWindow* window, int width, int height);

private:
    explicit GraphicsSystem(bool startedVideo) : startedVideo_(startedVideo) {}
    bool startedVideo_;
};

} // namespace platform
