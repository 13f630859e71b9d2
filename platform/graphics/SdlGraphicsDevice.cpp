// The graphics device over SDL2's renderers: SDL's software renderer on an in-memory surface of
// the scene's size (the processor's way, shown through the window's own surface, and the headless
// twin), or the window's own renderer (OpenGL).
//
// Implemented: streaming ARGB8888 / RGB888 textures that lock for reading and writing, one quad
// per draw through SDL_RenderGeometry (with the 0.5 pixel shift the vertices carry taken back, as
// SDL samples texel centres with no shift), source-alpha blending, the viewport as SDL's clip
// rectangle, clear, present (whole, or only the changed rectangles on the processor's way), the
// kept scene, read-back, a texture-memory budget and the lost signal.
// Left out: depth, render targets beyond the kept scene, any state beyond one blended textured
// quad.
//
// SDL's software renderer draws a quad texel-exactly only when it is axis-aligned with four equal
// vertex colours; it rasterises other quads as triangles, which drops a row and a column. Quads
// turned by a multiple of 90° are therefore drawn with SDL_RenderCopyEx, which is exact.
//
// Drawn by the processor, a picture made smaller or turned by a right angle is resized and turned
// once into a copy kept beside its texture (made as SDL draws the whole picture, so the pixels do
// not change), opaque copies also tinted once, and every picture is copied to the scene only
// where it has any alpha; an untinted picture at its own size is blended by the device's own
// vectorised loop, to the bits SDL's blitter gives (PixelBlend.h). The first spares SDL resizing
// the whole source at every draw and makes a cut picture show exactly its part of the whole one;
// ZELTARIK_REDRAW=whole draws as SDL alone does, the plain way the tests and the benchmark
// compare with.
#include "platform/graphics/GraphicsDevice.h"
#include "platform/graphics/DrawingPath.h"
#include "platform/graphics/PixelBlend.h"
#include "platform/graphics/ScenePresenter.h"
#include "platform/graphics/SdlNativeWindow.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <unordered_set>

namespace platform {
namespace {

// No picture of this program comes near it; it keeps absurd requests from allocating gigabytes.
constexpr int kMaxTextureSize = 16384;

class SdlGraphicsDevice;

class SdlTexture final : public DeviceTexture {
public:
    SdlTexture(SdlGraphicsDevice* device, SDL_Texture* texture, int width, int height,
               TextureFormat format)
        : DeviceTexture(width, height, format), device_(device), texture_(texture) {}
    ~SdlTexture() override;

    std::optional<LockedRect> Lock() override {
        if (!texture_ || locked_)
            return std::nullopt;
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0)
            return std::nullopt;
        locked_ = true;
        return LockedRect{static_cast<uint8_t*>(pixels), pitch};
    }

    void Unlock() override {
        if (texture_ && locked_)
            SDL_UnlockTexture(texture_);
        locked_ = false;
        // New pixels: every resized or turned copy of the old ones is stale.
        DropCopies();
        visible.reset();
    }

    SDL_Texture* Handle() const { return texture_; }

    // A copy of part of the texture drawn resized to width × height and turned by `quarter`
    // quarter turns clockwise, made by the device on first use (see DrawFromCopy).
    struct Copy {
        SDL_Texture* texture = nullptr;
        SDL_Rect source{};
        int width = 0;
        int height = 0;
        int quarter = 0;
        SDL_ScaleMode mode = SDL_ScaleModeNearest;
        uint64_t lastUse = 0;
        // The copy's pixels with any alpha; blending leaves the scene as it is everywhere else.
        SDL_Rect visible{};
        // An opaque copy (every alpha 255) keeps its pixels, ARGB, to be tinted once for a
        // tint that stays (the lake bottom's grey): `tinted` holds them multiplied by `tint`.
        std::vector<uint32_t> opaquePixels;
        SDL_Texture* tinted = nullptr;
        uint32_t tint = 0;
        // The tint of the last draw and how many draws in a row had it: a copy drawn once with
        // a tint (a step of the dive) is not worth tinting.
        uint32_t lastTint = 0;
        int drawsWithTint = 0;
    };
    // The texels with any alpha, once the device has looked; unknown again after new pixels.
    std::optional<SDL_Rect> visible;
    bool IsLocked() const { return locked_; }
    // The copies kept of one texture: enough for a picture shown at a few sizes or turns at once
    // (an arrow turned four ways, the lake bottom during a dive), few enough to cost little.
    static constexpr size_t kMaxCopies = 4;
    std::vector<Copy>& Copies() { return copies_; }
    void DropCopies() {
        for (Copy& copy : copies_) {
            SDL_DestroyTexture(copy.texture);
            if (copy.tinted)
                SDL_DestroyTexture(copy.tinted);
        }
        copies_.clear();
    }
    size_t Bytes() const { return static_cast<size_t>(Width()) * Height() * 4; }

    // The device is going away and takes SDL's textures with it.
    void Detach() {
        device_ = nullptr;
        texture_ = nullptr;
        locked_ = false;
        copies_.clear();
    }

private:
    SdlGraphicsDevice* device_;
    SDL_Texture* texture_;
    bool locked_ = false;
    std::vector<Copy> copies_;
};

// The smallest rectangle holding every pixel whose alpha (the fourth byte) is not zero; empty
// when there is none.
SDL_Rect VisibleBounds(const uint8_t* pixels, int pitch, int width, int height) {
    int left = width, right = 0, top = height, bottom = 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * pitch;
        int first = 0;
        while (first < width && row[4 * first + 3] == 0)
            ++first;
        if (first == width)
            continue;
        int last = width - 1;
        while (row[4 * last + 3] == 0)
            --last;
        left = std::min(left, first);
        right = std::max(right, last + 1);
        top = std::min(top, y);
        bottom = y + 1;
    }
    if (right <= left)
        return SDL_Rect{0, 0, 0, 0};
    return SDL_Rect{left, top, right - left, bottom - top};
}

SDL_Color ToSdlColor(uint32_t argb) {
    return SDL_Color{static_cast<Uint8>(argb >> 16), static_cast<Uint8>(argb >> 8),
                     static_cast<Uint8>(argb), static_cast<Uint8>(argb >> 24)};
}

bool Near(float a, float b) {
    return std::fabs(a - b) < 1e-3f;
}

class SdlGraphicsDevice final : public GraphicsDevice {
public:
    // A surface means the scene is drawn in memory: shown through the presenter when there is
    // one, headless otherwise. Without a surface the renderer is the window's own.
    SdlGraphicsDevice(SDL_Window* window, SDL_Surface* surface, SDL_Renderer* renderer, int width,
                      int height, std::unique_ptr<WindowPresenter> presenter = nullptr)
        : window_(window), surface_(surface), renderer_(renderer), width_(width),
          height_(height), viewport_{0, 0, width, height}, presenter_(std::move(presenter)),
          wholeFrames_(WholeFramesRequested()) {
        SDL_RendererInfo info{};
        if (!surface_ && SDL_GetRendererInfo(renderer_, &info) == 0 && info.name)
            path_ = info.name;
    }

    ~SdlGraphicsDevice() override {
        // SDL frees every texture of a renderer it destroys; textures still held elsewhere are
        // told so they do not free theirs again.
        for (SdlTexture* texture : live_)
            texture->Detach();
        SDL_DestroyRenderer(renderer_);
        if (surface_)
            SDL_FreeSurface(surface_);
    }

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool IsHeadless() const override { return window_ == nullptr; }
    bool DrawsWholeFrames() const override { return wholeFrames_; }
    const char* DrawingPath() const override { return path_.c_str(); }

    std::unique_ptr<DeviceTexture> CreateTexture(int width, int height,
                                                 TextureFormat format) override {
        if (width <= 0 || height <= 0 || width > kMaxTextureSize || height > kMaxTextureSize)
            return nullptr;
        size_t bytes = static_cast<size_t>(width) * height * 4;
        if (budget_ != 0 && inUse_ + bytes > budget_)
            throw std::bad_alloc();
        Uint32 sdlFormat =
            format == TextureFormat::X8R8G8B8 ? SDL_PIXELFORMAT_RGB888 : SDL_PIXELFORMAT_ARGB8888;
        SDL_Texture* texture =
            SDL_CreateTexture(renderer_, sdlFormat, SDL_TEXTUREACCESS_STREAMING, width, height);
        if (!texture) {
            // SDL says "Out of memory" for host memory and the OpenGL renderer for video memory.
            const char* error = SDL_GetError();
            if (std::strstr(error, "emory"))
                throw std::bad_alloc();
            std::fprintf(stderr, "graphics: cannot create a %d x %d texture: %s\n", width, height,
                         error);
            return nullptr;
        }
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        auto result = std::make_unique<SdlTexture>(this, texture, width, height, format);
        live_.insert(result.get());
        inUse_ += bytes;
        return result;
    }

    void Forget(SdlTexture* texture) {
        live_.erase(texture);
        inUse_ -= texture->Bytes();
    }

    void DrawQuad(DeviceTexture& deviceTexture, const Quad& quad) override {
        auto& texture = static_cast<SdlTexture&>(deviceTexture);
        SDL_Texture* handle = texture.Handle();
        if (!handle)
            return;
        // When the window scales the scene to the display, every picture is resized on the way
        // and the nearest texel would make it blocky; otherwise only shrunken pictures filter.
        bool filtered = IsMinified(texture, quad) || OutputIsScaled();
        SDL_SetTextureScaleMode(handle, filtered ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
        if (surface_ && !wholeFrames_ &&
            DrawFromCopy(texture, quad, filtered ? SDL_ScaleModeLinear : SDL_ScaleModeNearest))
            return;
        if (DrawRightAngle(texture, quad))
            return;
        SDL_Vertex vertices[4];
        for (size_t i = 0; i < 4; ++i) {
            vertices[i].position = SDL_FPoint{quad[i].x + 0.5f, quad[i].y + 0.5f};
            vertices[i].color = ToSdlColor(quad[i].diffuse);
            vertices[i].tex_coord = SDL_FPoint{quad[i].u, quad[i].v};
        }
        static const int indices[6] = {0, 1, 2, 0, 2, 3};
        SDL_RenderGeometry(renderer_, handle, vertices, 4, indices, 6);
    }

    void Clear(uint32_t color) override {
        SDL_Color c = ToSdlColor(color);
        SDL_SetRenderDrawColor(renderer_, c.r, c.g, c.b, c.a);
        SDL_RenderClear(renderer_);
    }

    void BeginScene() override {}
    void EndScene() override {}

    // SDL queues drawing commands; presenting (or, in memory, flushing) carries them out.
    void Present() override {
        if (!surface_) {
            SDL_RenderPresent(renderer_);
            return;
        }
        SDL_RenderFlush(renderer_);
        if (presenter_)
            presenter_->PresentWhole(surface_);
    }

    void PresentChanged(std::span<const Rect> changed) override {
        if (!presenter_ || wholeFrames_) {
            Present();
            return;
        }
        SDL_RenderFlush(renderer_);
        presenter_->PresentChanged(surface_, changed);
    }

    bool BeginKeptScene(bool& intact) override {
        intact = false;
        if (lost_ || keptFailed_)
            return false;
        if (surface_) {
            // The in-memory scene keeps its pixels by itself.
            intact = keptIntact_;
            ApplyClip();
            return true;
        }
        if (!kept_) {
            kept_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                      SDL_TEXTUREACCESS_TARGET, width_, height_);
            if (!kept_) {
                keptFailed_ = true;
                return false;
            }
            SDL_SetTextureBlendMode(kept_, SDL_BLENDMODE_NONE);
            keptIntact_ = false;
        }
        if (SDL_SetRenderTarget(renderer_, kept_) != 0) {
            keptFailed_ = true;
            return false;
        }
        // Each target has its own clip rectangle in SDL.
        ApplyClip();
        intact = keptIntact_;
        return true;
    }

    void EndKeptScene() override {
        if (surface_) {
            keptIntact_ = !lost_;
            return;
        }
        if (!kept_ || SDL_GetRenderTarget(renderer_) != kept_)
            return;
        SDL_SetRenderTarget(renderer_, nullptr);
        SDL_RenderSetClipRect(renderer_, nullptr);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
        SDL_RenderClear(renderer_);
        SDL_SetTextureScaleMode(kept_,
                                OutputIsScaled() ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
        SDL_RenderCopy(renderer_, kept_, nullptr, nullptr);
        keptIntact_ = true;
        ApplyClip();
    }

    void FillRect(const Rect& rect, uint32_t color) override {
        SDL_Color c = ToSdlColor(color);
        SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(renderer_, c.r, c.g, c.b, c.a);
        SDL_Rect area{rect.left, rect.top, std::max(0, rect.Width()), std::max(0, rect.Height())};
        SDL_RenderFillRect(renderer_, &area);
    }

    Rect GetViewport() const override { return viewport_; }

    void SetViewport(const Rect& viewport) override {
        viewport_ = viewport;
        ApplyClip();
    }

    void NotifyDeviceLost() override {
        lost_ = true;
        keptIntact_ = false;
    }
    bool IsLost() const override { return lost_; }

    Screenshot ReadPixels() override {
        Screenshot shot;
        int w = width_;
        int h = height_;
        if (window_ && SDL_GetRendererOutputSize(renderer_, &w, &h) != 0)
            return shot;
        shot.pixels.resize(static_cast<size_t>(w) * h);
        if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, shot.pixels.data(),
                                 w * 4) != 0) {
            shot.pixels.clear();
            return shot;
        }
        shot.width = w;
        shot.height = h;
        return shot;
    }

    void SetTextureMemoryBudget(size_t bytes) override { budget_ = bytes; }
    size_t TextureMemoryInUse() const override { return inUse_; }

private:
    void ApplyClip() {
        if (viewport_ == Rect{0, 0, width_, height_}) {
            SDL_RenderSetClipRect(renderer_, nullptr);
            return;
        }
        SDL_Rect clip{viewport_.left, viewport_.top, std::max(0, viewport_.Width()),
                      std::max(0, viewport_.Height())};
        SDL_RenderSetClipRect(renderer_, &clip);
    }

    bool OutputIsScaled() const {
        if (surface_)
            return false;
        float scaleX = 1.0f, scaleY = 1.0f;
        SDL_RenderGetScale(renderer_, &scaleX, &scaleY);
        return scaleX != 1.0f || scaleY != 1.0f;
    }

    // Whether the quad shows the texture smaller than its texels, judged along its first edges.
    static bool IsMinified(const SdlTexture& texture, const Quad& quad) {
        float screenAcross = std::hypot(quad[1].x - quad[0].x, quad[1].y - quad[0].y);
        float screenDown = std::hypot(quad[3].x - quad[0].x, quad[3].y - quad[0].y);
        float texelsAcross = std::fabs(quad[1].u - quad[0].u) * texture.Width();
        float texelsDown = std::fabs(quad[3].v - quad[0].v) * texture.Height();
        return screenAcross < texelsAcross - 1e-3f || screenDown < texelsDown - 1e-3f;
    }

    // A quad showing an upright source rectangle of whole texels, with one colour, turned
    // clockwise by `quarter` quarter turns (no mirroring) and possibly resized.
    struct RightAnglePlacement {
        int quarter = 0;
        SDL_Rect source{};
        // The picture's size on the screen before it is turned, and its centre in SDL's pixel
        // convention (the vertices' −0.5 shift taken back).
        float width = 0;
        float height = 0;
        float centreX = 0;
        float centreY = 0;
    };

    static std::optional<RightAnglePlacement> PlaceRightAngle(const SdlTexture& texture,
                                                              const Quad& q) {
        for (size_t i = 1; i < 4; ++i)
            if (q[i].diffuse != q[0].diffuse)
                return std::nullopt;
        // The upright picture's corners in order: the edge 0→1 runs along its top, 0→3 down its
        // left side. Turning clockwise by 90° takes (1, 0) to (0, 1).
        float acrossX = q[1].x - q[0].x, acrossY = q[1].y - q[0].y;
        float downX = q[3].x - q[0].x, downY = q[3].y - q[0].y;
        if (!Near(q[2].x, q[0].x + acrossX + downX) || !Near(q[2].y, q[0].y + acrossY + downY))
            return std::nullopt;
        RightAnglePlacement placement;
        if (Near(acrossY, 0) && acrossX > 0)
            placement.quarter = 0;
        else if (Near(acrossX, 0) && acrossY > 0)
            placement.quarter = 1;
        else if (Near(acrossY, 0) && acrossX < 0)
            placement.quarter = 2;
        else if (Near(acrossX, 0) && acrossY < 0)
            placement.quarter = 3;
        else
            return std::nullopt;
        float w = std::hypot(acrossX, acrossY);
        float h = std::hypot(downX, downY);
        // The down edge must be the across edge turned a further 90° clockwise (no mirroring).
        if (!Near(downX, -acrossY / w * h) || !Near(downY, acrossX / w * h))
            return std::nullopt;
        // Texture coordinates of an upright source rectangle, on whole texels.
        if (!Near(q[0].u, q[3].u) || !Near(q[1].u, q[2].u) || !Near(q[0].v, q[1].v) ||
            !Near(q[2].v, q[3].v) || q[1].u <= q[0].u || q[3].v <= q[0].v)
            return std::nullopt;
        float sx = q[0].u * texture.Width(), sy = q[0].v * texture.Height();
        float sw = (q[1].u - q[0].u) * texture.Width(), sh = (q[3].v - q[0].v) * texture.Height();
        if (!Near(sx, std::round(sx)) || !Near(sy, std::round(sy)) || !Near(sw, std::round(sw)) ||
            !Near(sh, std::round(sh)))
            return std::nullopt;
        placement.source = SDL_Rect{static_cast<int>(std::lround(sx)),
                                    static_cast<int>(std::lround(sy)),
                                    static_cast<int>(std::lround(sw)),
                                    static_cast<int>(std::lround(sh))};
        placement.width = w;
        placement.height = h;
        placement.centreX = (q[0].x + q[2].x) * 0.5f + 0.5f;
        placement.centreY = (q[0].y + q[2].y) * 0.5f + 0.5f;
        return placement;
    }

    // Draws a quad turned by 90°, 180° or 270° with one colour through SDL_RenderCopyEx, which is
    // texel-exact where the triangle path is not. False when the quad is not such a quad (upright
    // quads are exact through SDL_RenderGeometry already).
    bool DrawRightAngle(SdlTexture& texture, const Quad& q) {
        const std::optional<RightAnglePlacement> placement = PlaceRightAngle(texture, q);
        if (!placement || placement->quarter == 0)
            return false;
        const float w = placement->width, h = placement->height;
        SDL_FRect destination{placement->centreX - w * 0.5f, placement->centreY - h * 0.5f, w, h};
        SDL_Color c = ToSdlColor(q[0].diffuse);
        SDL_SetTextureColorMod(texture.Handle(), c.r, c.g, c.b);
        SDL_SetTextureAlphaMod(texture.Handle(), c.a);
        SDL_RenderCopyExF(renderer_, texture.Handle(), &placement->source, &destination,
                          90.0 * placement->quarter, nullptr, SDL_FLIP_NONE);
        SDL_SetTextureColorMod(texture.Handle(), 255, 255, 255);
        SDL_SetTextureAlphaMod(texture.Handle(), 255);
        return true;
    }

    // The processor's way with a picture drawn smaller or turned by a right angle: SDL resizes
    // or turns the whole source for every draw, and when the picture is cut by the clip
    // rectangle it resizes the cut part, which samples differently. The picture is therefore
    // resized and turned once, exactly as SDL would draw it whole with no colour (blending
    // off), kept beside the texture, and drawn from there at its own size, tinted and blended:
    // the same pixels as the whole draw, and any cut of them exactly the pixels of that cut.
    // False when the quad is not such a quad or lies off whole pixels; it is then drawn as
    // before.
    bool DrawFromCopy(SdlTexture& texture, const Quad& q, SDL_ScaleMode mode) {
        const std::optional<RightAnglePlacement> placement = PlaceRightAngle(texture, q);
        if (!placement)
            return false;
        const int width = static_cast<int>(std::lround(placement->width));
        const int height = static_cast<int>(std::lround(placement->height));
        if (!Near(placement->width, static_cast<float>(width)) ||
            !Near(placement->height, static_cast<float>(height)) || width <= 0 || height <= 0)
            return false;
        const SDL_Rect& source = placement->source;
        const bool ownSize = placement->quarter == 0 && width == source.w && height == source.h;
        // Enlarged upright, SDL samples the nearest texel for a blended draw by another rule than
        // for a plain copy, so no copy could match it; that draw reads only the texels it shows.
        if (placement->quarter == 0 && mode == SDL_ScaleModeNearest && !ownSize)
            return false;
        const bool sideways = placement->quarter % 2 == 1;
        const int boxWidth = sideways ? height : width, boxHeight = sideways ? width : height;
        const float left = placement->centreX - boxWidth * 0.5f;
        const float top = placement->centreY - boxHeight * 0.5f;
        if (!Near(left, std::round(left)) || !Near(top, std::round(top)))
            return false;
        const int x = static_cast<int>(std::lround(left)), y = static_cast<int>(std::lround(top));

        // What is copied to the scene at its own size: the texture itself (a picture at its own
        // size) or its copy, only where it has any alpha.
        SDL_Texture* from = nullptr;
        SDL_Rect part{}, destination{};
        if (ownSize) {
            from = texture.Handle();
            const SDL_Rect visible = VisibleTexels(texture);
            if (!SDL_IntersectRect(&source, &visible, &part))
                return true;
            destination = SDL_Rect{x + part.x - source.x, y + part.y - source.y, part.w, part.h};
        } else {
            SdlTexture::Copy* copy = nullptr;
            for (SdlTexture::Copy& kept : texture.Copies())
                if (kept.width == width && kept.height == height &&
                    kept.quarter == placement->quarter && kept.mode == mode &&
                    kept.source.x == source.x && kept.source.y == source.y &&
                    kept.source.w == source.w && kept.source.h == source.h)
                    copy = &kept;
            if (!copy) {
                copy = MakeCopy(texture, *placement, width, height, boxWidth, boxHeight, mode);
                if (!copy)
                    return false;
            }
            copy->lastUse = ++copyUses_;
            from = copy->texture;
            part = copy->visible;
            if (part.w <= 0 || part.h <= 0)
                return true;
            destination = SDL_Rect{x + part.x, y + part.y, part.w, part.h};
            // Opaque under an opaque tint, blending only multiplies each channel by the tint, as
            // the tinted copy already has: drawn as it is, it spares SDL's slowest blend.
            const uint32_t tint = q[0].diffuse;
            copy->drawsWithTint = copy->lastTint == tint ? copy->drawsWithTint + 1 : 1;
            copy->lastTint = tint;
            if (!copy->opaquePixels.empty() && tint >> 24 == 0xFF &&
                ((copy->tinted && copy->tint == tint) || copy->drawsWithTint >= 2)) {
                if (SDL_Texture* tinted = TintedCopy(*copy, tint)) {
                    SDL_RenderCopy(renderer_, tinted, &part, &destination);
                    return true;
                }
            }
        }
        // A picture at its own size with no tint, SDL's most common draw here, is blended by the
        // device's own loop, four pixels at a time, to the same bits; a picture without alpha (a
        // video frame), which SDL blends through its slowest general loop, is copied.
        if (ownSize && q[0].diffuse == 0xFFFFFFFFu && BlendOnto(from, part, destination))
            return true;
        SDL_Color c = ToSdlColor(q[0].diffuse);
        SDL_SetTextureColorMod(from, c.r, c.g, c.b);
        SDL_SetTextureAlphaMod(from, c.a);
        SDL_RenderCopy(renderer_, from, &part, &destination);
        SDL_SetTextureColorMod(from, 255, 255, 255);
        SDL_SetTextureAlphaMod(from, 255);
        return true;
    }

    // Blends `part` of a streaming ARGB or XRGB texture onto the in-memory scene at `destination`
    // (of the same size) inside the clip rectangle, as SDL_RenderCopy would with the texture's
    // blend mode SDL_BLENDMODE_BLEND and no colour or alpha modulation (PixelBlend.h), after the
    // drawing SDL has queued. False, with nothing drawn, where SDL must draw it.
    bool BlendOnto(SDL_Texture* from, const SDL_Rect& part, const SDL_Rect& destination) {
        SDL_BlendMode mode = SDL_BLENDMODE_NONE;
        Uint32 format = 0;
        Uint8 red = 0, green = 0, blue = 0, alpha = 0;
        if (!surface_ || surface_->format->format != SDL_PIXELFORMAT_ARGB8888 ||
            SDL_MUSTLOCK(surface_) || SDL_GetRenderTarget(renderer_) != nullptr ||
            SDL_GetTextureBlendMode(from, &mode) != 0 || mode != SDL_BLENDMODE_BLEND ||
            SDL_QueryTexture(from, &format, nullptr, nullptr, nullptr) != 0 ||
            (format != SDL_PIXELFORMAT_ARGB8888 && format != SDL_PIXELFORMAT_RGB888) ||
            SDL_GetTextureColorMod(from, &red, &green, &blue) ||
            SDL_GetTextureAlphaMod(from, &alpha) || (red & green & blue & alpha) != 255)
            return false;
        // SDL's clip rectangle is the viewport (ApplyClip), inside the surface.
        const SDL_Rect bounds{0, 0, surface_->w, surface_->h};
        SDL_Rect clip = bounds;
        if (viewport_ != Rect{0, 0, width_, height_}) {
            const SDL_Rect viewport{viewport_.left, viewport_.top, viewport_.Width(),
                                    viewport_.Height()};
            if (viewport.w <= 0 || viewport.h <= 0 || !SDL_IntersectRect(&viewport, &bounds, &clip))
                return false;
        }
        SDL_Rect drawn{};
        if (!SDL_IntersectRect(&destination, &clip, &drawn))
            return true;
        if (SDL_RenderFlush(renderer_) != 0)
            return false;
        void* pixels = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(from, nullptr, &pixels, &pitch) != 0)
            return false;
        const int sourceX = part.x + drawn.x - destination.x;
        const int sourceY = part.y + drawn.y - destination.y;
        for (int row = 0; row < drawn.h; ++row) {
            const auto* source = reinterpret_cast<const uint32_t*>(
                                     static_cast<const uint8_t*>(pixels) +
                                     static_cast<size_t>(sourceY + row) * pitch) +
                                 sourceX;
            auto* target = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface_->pixels) +
                                                       static_cast<size_t>(drawn.y + row) *
                                                           surface_->pitch) +
                           drawn.x;
            if (format == SDL_PIXELFORMAT_RGB888)
                CopyOpaque(source, target, drawn.w);
            else
                BlendOver(source, target, drawn.w);
        }
        SDL_UnlockTexture(from);
        return true;
    }

    // The texels of the texture with any alpha, looked for once after each change of its pixels.
    SDL_Rect VisibleTexels(SdlTexture& texture) {
        const SDL_Rect whole{0, 0, texture.Width(), texture.Height()};
        if (texture.visible)
            return *texture.visible;
        if (texture.Format() == TextureFormat::X8R8G8B8 || texture.IsLocked())
            return whole;
        void* pixels = nullptr;
        int pitch = 0;
        // The processor's textures are memory: locking only hands out their pixels.
        if (SDL_LockTexture(texture.Handle(), nullptr, &pixels, &pitch) != 0)
            return whole;
        texture.visible = VisibleBounds(static_cast<const uint8_t*>(pixels), pitch,
                                        texture.Width(), texture.Height());
        SDL_UnlockTexture(texture.Handle());
        return *texture.visible;
    }

    // The opaque copy with each channel multiplied by the tint's as SDL's blend multiplies it
    // (c × t / 255), made again only when the tint changes; drawn without blending.
    SDL_Texture* TintedCopy(SdlTexture::Copy& copy, uint32_t tint) {
        if (copy.tinted && copy.tint == tint)
            return copy.tinted;
        if (!copy.tinted) {
            copy.tinted = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888,
                                            SDL_TEXTUREACCESS_STREAMING, copy.visible.x + copy.visible.w,
                                            copy.visible.y + copy.visible.h);
            if (!copy.tinted)
                return nullptr;
            SDL_SetTextureBlendMode(copy.tinted, SDL_BLENDMODE_NONE);
        }
        void* bits = nullptr;
        int pitch = 0;
        if (SDL_LockTexture(copy.tinted, nullptr, &bits, &pitch) != 0)
            return nullptr;
        int width = 0, height = 0;
        SDL_QueryTexture(copy.tinted, nullptr, nullptr, &width, &height);
        const uint32_t red = tint >> 16 & 0xFF, green = tint >> 8 & 0xFF, blue = tint & 0xFF;
        const size_t copyWidth = copy.opaquePixels.size() / static_cast<size_t>(height);
        for (int y = 0; y < height; ++y) {
            const uint32_t* from = copy.opaquePixels.data() + static_cast<size_t>(y) * copyWidth;
            auto* to = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(bits) +
                                                   static_cast<size_t>(y) * pitch);
            for (int x = 0; x < width; ++x) {
                const uint32_t p = from[x];
                to[x] = 0xFF000000u | ((p >> 16 & 0xFF) * red / 255) << 16 |
                        ((p >> 8 & 0xFF) * green / 255) << 8 | (p & 0xFF) * blue / 255;
            }
        }
        SDL_UnlockTexture(copy.tinted);
        copy.tint = tint;
        return copy.tinted;
    }

    SdlTexture::Copy* MakeCopy(SdlTexture& texture, const RightAnglePlacement& placement,
                               int width, int height, int boxWidth, int boxHeight,
                               SDL_ScaleMode mode) {
        Uint32 format = SDL_PIXELFORMAT_ARGB8888;
        SDL_QueryTexture(texture.Handle(), &format, nullptr, nullptr, nullptr);
        SDL_Texture* made =
            SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_TARGET, boxWidth, boxHeight);
        if (!made)
            return nullptr;
        if (SDL_SetRenderTarget(renderer_, made) != 0) {
            SDL_DestroyTexture(made);
            return nullptr;
        }
        SDL_RenderSetClipRect(renderer_, nullptr);
        SDL_SetRenderDrawBlendMode(renderer_, SDL_BLENDMODE_NONE);
        SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 0);
        SDL_RenderClear(renderer_);
        SDL_Texture* handle = texture.Handle();
        SDL_SetTextureBlendMode(handle, SDL_BLENDMODE_NONE);
        SDL_SetTextureColorMod(handle, 255, 255, 255);
        SDL_SetTextureAlphaMod(handle, 255);
        SDL_SetTextureScaleMode(handle, mode);
        if (placement.quarter == 0) {
            // The same geometry SDL is given for the whole draw, moved to the copy's corner.
            const float u0 = float(placement.source.x) / texture.Width();
            const float v0 = float(placement.source.y) / texture.Height();
            const float u1 = float(placement.source.x + placement.source.w) / texture.Width();
            const float v1 = float(placement.source.y + placement.source.h) / texture.Height();
            const SDL_Color white{255, 255, 255, 255};
            const float w = static_cast<float>(width), h = static_cast<float>(height);
            SDL_Vertex vertices[4] = {{{0, 0}, white, {u0, v0}},
                                      {{w, 0}, white, {u1, v0}},
                                      {{w, h}, white, {u1, v1}},
                                      {{0, h}, white, {u0, v1}}};
            static const int indices[6] = {0, 1, 2, 0, 2, 3};
            SDL_RenderGeometry(renderer_, handle, vertices, 4, indices, 6);
        } else {
            const float w = placement.width, h = placement.height;
            SDL_FRect destination{boxWidth * 0.5f - w * 0.5f, boxHeight * 0.5f - h * 0.5f, w, h};
            SDL_RenderCopyExF(renderer_, handle, &placement.source, &destination,
                              90.0 * placement.quarter, nullptr, SDL_FLIP_NONE);
        }
        SDL_SetTextureBlendMode(handle, SDL_BLENDMODE_BLEND);
        std::vector<uint32_t> pixels(static_cast<size_t>(boxWidth) * boxHeight);
        SDL_Rect visible{0, 0, boxWidth, boxHeight};
        if (SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(),
                                 boxWidth * 4) == 0)
            visible = VisibleBounds(reinterpret_cast<const uint8_t*>(pixels.data()), boxWidth * 4,
                                    boxWidth, boxHeight);
        const bool opaque =
            std::all_of(pixels.begin(), pixels.end(), [](uint32_t p) { return p >> 24 == 0xFF; });
        SDL_SetRenderTarget(renderer_, nullptr);
        ApplyClip();
        SDL_SetTextureBlendMode(made, SDL_BLENDMODE_BLEND);
        SDL_SetTextureScaleMode(made, SDL_ScaleModeNearest);

        std::vector<SdlTexture::Copy>& copies = texture.Copies();
        if (copies.size() >= SdlTexture::kMaxCopies) {
            auto oldest = std::min_element(copies.begin(), copies.end(),
                                           [](const SdlTexture::Copy& a, const SdlTexture::Copy& b) {
                                               return a.lastUse < b.lastUse;
                                           });
            SDL_DestroyTexture(oldest->texture);
            if (oldest->tinted)
                SDL_DestroyTexture(oldest->tinted);
            copies.erase(oldest);
        }
        SdlTexture::Copy copy;
        copy.texture = made;
        copy.source = placement.source;
        copy.width = width;
        copy.height = height;
        copy.quarter = placement.quarter;
        copy.mode = mode;
        copy.visible = visible;
        if (opaque)
            copy.opaquePixels = std::move(pixels);
        copies.push_back(std::move(copy));
        return &copies.back();
    }

    SDL_Window* window_;
    SDL_Surface* surface_;
    SDL_Renderer* renderer_;
    int width_;
    int height_;
    Rect viewport_;
    bool lost_ = false;
    // The kept scene, made on first use; SDL frees it with the renderer.
    SDL_Texture* kept_ = nullptr;
    bool keptFailed_ = false;
    bool keptIntact_ = false;
    size_t budget_ = 0;
    size_t inUse_ = 0;
    std::unordered_set<SdlTexture*> live_;
    std::unique_ptr<WindowPresenter> presenter_;
    bool wholeFrames_;
    uint64_t copyUses_ = 0;
    std::string path_ = presenter_ ? "processor" : "headless";
};

SdlTexture::~SdlTexture() {
    if (device_) {
        device_->Forget(this);
        DropCopies();
        SDL_DestroyTexture(texture_);
    }
}

// Whether the renderer is OpenGL carried out by the processor (Mesa's llvmpipe or softpipe, or
// another software rasteriser), as on a machine without a graphics driver.
bool DrawsWithSoftwareGl(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || !info.name ||
        std::strncmp(info.name, "opengl", 6) != 0)
        return false;
    using GetString = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    if (!getString)
        return false;
    constexpr unsigned int kGlRenderer = 0x1F01;
    const unsigned char* name = getString(kGlRenderer);
    if (!name)
        return false;
    const std::string text(reinterpret_cast<const char*>(name));
    return text.find("llvmpipe") != std::string::npos ||
           text.find("softpipe") != std::string::npos ||
           text.find("Software Rasterizer") != std::string::npos;
}

// The scene in memory, drawn by SDL's software renderer; shown in the window when there is one.
std::unique_ptr<GraphicsDevice> CreateInMemory(SDL_Window* window, int width, int height) {
    std::unique_ptr<WindowPresenter> presenter;
    if (window) {
        // The window's own surface, not one of SDL's renderers standing in for it (which would
        // be OpenGL again).
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        presenter = std::make_unique<WindowPresenter>(window, width, height);
        if (!presenter->IsUsable()) {
            std::fprintf(stderr, "graphics: the window has no surface to draw into: %s\n",
                         SDL_GetError());
            return nullptr;
        }
    }
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) {
        std::fprintf(stderr, "graphics: cannot create a %d x %d surface: %s\n", width, height,
                     SDL_GetError());
        return nullptr;
    }
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(surface);
    if (!renderer) {
        std::fprintf(stderr, "graphics: cannot create the software renderer: %s\n", SDL_GetError());
        SDL_FreeSurface(surface);
        return nullptr;
    }
    return std::make_unique<SdlGraphicsDevice>(window, surface, renderer, width, height,
                                               std::move(presenter));
}

} // namespace

std::unique_ptr<GraphicsDevice> GraphicsDevice::Create(NativeWindow* nativeWindow, int width,
                                                       int height) {
    if (width <= 0 || height <= 0)
        return nullptr;
    SDL_Window* window = ToSdlWindow(nativeWindow);
    if (!window)
        return CreateInMemory(nullptr, width, height);
    const WindowDrawing drawing = ChooseWindowDrawing(window);
    if (drawing != WindowDrawing::Processor) {
        // Synchronised with the display when the driver allows, as the program has always
        // presented.
        SDL_Renderer* renderer =
            SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
        if (renderer && drawing == WindowDrawing::OpenGlUnlessEmulated &&
            DrawsWithSoftwareGl(renderer)) {
            // OpenGL emulated on the processor shades every pixel of every frame through its
            // general pipeline, several times the work of drawing the scene in memory, and can
            // only show whole frames.
            SDL_DestroyRenderer(renderer);
            renderer = nullptr;
        }
        if (renderer) {
            // The scene keeps its size on any display: SDL scales and letterboxes it, and
            // reports mouse positions in scene pixels.
            SDL_RenderSetLogicalSize(renderer, width, height);
            return std::make_unique<SdlGraphicsDevice>(window, nullptr, renderer, width, height);
        }
    }
    if (auto device = CreateInMemory(window, width, height))
        return device;
    // Any renderer that works is better than none.
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
    if (!renderer) {
        std::fprintf(stderr, "graphics: cannot create a renderer for the window: %s\n",
                     SDL_GetError());
        return nullptr;
    }
    SDL_RenderSetLogicalSize(renderer, width, height);
    return std::make_unique<SdlGraphicsDevice>(window, nullptr, renderer, width, height);
}

void WindowToScene(SDL_Window* window, int x, int y, float& sceneX, float& sceneY) {
    if (WindowPresenter* presenter = WindowPresenter::ForWindow(window)) {
        presenter->WindowToScene(x, y, sceneX, sceneY);
        return;
    }
    if (SDL_Renderer* renderer = window ? SDL_GetRenderer(window) : nullptr) {
        SDL_RenderWindowToLogical(renderer, x, y, &sceneX, &sceneY);
        return;
    }
    sceneX = static_cast<float>(x);
    sceneY = static_cast<float>(y);
}

void SceneToWindow(SDL_Window* window, float sceneX, float sceneY, int& x, int& y) {
    if (WindowPresenter* presenter = WindowPresenter::ForWindow(window)) {
        presenter->SceneToWindow(sceneX, sceneY, x, y);
        return;
    }
    if (SDL_Renderer* renderer = window ? SDL_GetRenderer(window) : nullptr) {
        SDL_RenderLogicalToWindow(renderer, sceneX, sceneY, &x, &y);
        return;
    }
    x = static_cast<int>(sceneX);
    y = static_cast<int>(sceneY);
}

std::unique_ptr<GraphicsSystem> GraphicsSystem::Open(NativeWindow* window) {
    if (!window)
        return std::unique_ptr<GraphicsSystem>(new GraphicsSystem(false));
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "graphics: cannot start SDL's video: %s\n", SDL_GetError());
        return nullptr;
    }
    return std::unique_ptr<GraphicsSystem>(new GraphicsSystem(true));
}

GraphicsSystem::~GraphicsSystem() {
    if (startedVideo_)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool GraphicsSystem::HasDisplayMode(NativeWindow* window) const {
    SDL_Window* sdlWindow = ToSdlWindow(window);
    if (!sdlWindow)
        return true;
    int display = SDL_GetWindowDisplayIndex(sdlWindow);
    SDL_DisplayMode mode;
    return display >= 0 && SDL_GetDesktopDisplayMode(display, &mode) == 0;
}

std::unique_ptr<GraphicsDevice> GraphicsSystem::CreateDevice(NativeWindow* window, int width,
                                                             int height) {
    if (window && !startedVideo_) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
            return nullptr;
        startedVideo_ = true;
    }
    return GraphicsDevice::Create(window, width, height);
}

} // namespace platform
