// The media object: it owns the graphics device and every texture (and, through its base, every
// sound), resolves asset names, keeps the reference-counted texture registry with a system-memory
// copy of every texture, and draws textures as tinted, rotated quads.
//
// Asset names. A name already registered shares that texture. A name that converts completely to
// a decimal integer (digits with an optional sign, nothing before or after: "118", "0118", "+118")
// is the embedded resource with the low 16 bits of that number. Any other name (" 118" included)
// is a file path, UTF-8 on disk, relative to the current folder.
//
// Texture indices are ints. `slotCount` is the invalid index: loading something that cannot be
// found or decoded returns it, and every operation taking an index ignores it.
#pragma once

#include "media/CSoundSystem.h"
#include "media/FontRegistry.h"
#include "platform/Types.h"
#include "platform/graphics/GraphicsDevice.h"
#include "platform/resources/AssetResources.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A pixel copy's memory. It comes from calloc, so that the rows below a picture, which are zero,
// cost nothing until someone writes them.
struct PixelCopyDeleter {
    void operator()(uint8_t* pixels) const { std::free(pixels); }
};
using PixelCopy = std::unique_ptr<uint8_t[], PixelCopyDeleter>;

// One registered texture.
struct TextureSlot {
    // The device texture; null while evicted or after a device reset, until it is restored from
    // `pixels` on its next use.
    std::unique_ptr<platform::DeviceTexture> texture;
    // (0, 0, picture width, picture height): the top-left part of the texture holding the picture.
    platform::Rect image;
    // The texture's size, each a power of two not smaller than the picture.
    int textureWidth = 0;
    int textureHeight = 0;
    std::wstring name;
    int refCount = 0;
    // System-memory copy of the texture: textureHeight rows of textureWidth pixels, 4 bytes each
    // (blue, green, red, alpha); pixel (x, y) is at 4 × (x + y × textureWidth). Null only when the
    // copy could not be made. It survives eviction and device loss; hit tests read it directly.
    PixelCopy pixels;
    // The format the texture was made in, and is restored in.
    platform::TextureFormat format = platform::TextureFormat::A8R8G8B8;
    // Counts the writes into the texture after it was made (video frames), so that a view can
    // tell whether its picture changed.
    uint32_t contentVersion = 0;
    // The smallest rectangle of `image` holding every pixel that is not fully opaque, worked out
    // from the pixel copy when first asked.
    std::optional<platform::Rect> translucentBounds;
};

// What UpdateTexture's writer receives: the locked top level's first byte, its pitch in bytes and
// the picture's height in rows.
using TextureWriter = std::function<void(uint8_t* bits, int pitch, int rows)>;

class IMResourceManager : public CSoundSystem {
public:
    IMResourceManager();
    ~IMResourceManager() override;

    // --- Texture registry. Every creating operation first shares a registered name (adding a
    // reference); a new texture starts with one reference.

    // Decodes the named asset (resource number or file path) as PNG, else as JPEG.
    int LoadTexture(const std::wstring& name);
    // Decodes the bytes as PNG, else as JPEG; the bytes are not kept.
    int LoadTextureFromMemory(const std::wstring& name, const void* data, size_t size);
    // A texture of width × height in the format with its picture rows all zero (video frames).
    int CreateBlankTexture(const std::wstring& name, int width, int height,
                           platform::TextureFormat format);
    // The index registered under the name, or slotCount. Adds no reference.
    int FindTexture(const std::wstring& name) const;
    // Adds a reference; slotCount (and no change) for an invalid or free index.
    int AddTextureRef(int index);
    // Drops a reference and frees the slot at zero. Invalid and free indices are ignored.
    void ReleaseTexture(int index);
    void ReleaseTextureByName(const std::wstring& name);

    bool IsValidTexture(int index) const;
    // The slot of a valid index, else null.
    TextureSlot* Slot(int index) const;
    int InvalidTexture() const { return static_cast<int>(slotCount); }

    // A numbered resource: the executable first, then the asset container (which the returned
    // handle keeps open). The sound system uses the same lookup (platform::FindAssetResource).
    static platform::AssetResource FindAssetResource(int number);

    // For code that makes textures itself (the text rasteriser): a device texture of at least
    // width × height (rounded up to powers of two) made with eviction and retry when texture memory
    // runs out, sparing the slot registered as `name`. Null when it cannot be made.
    std::unique_ptr<platform::DeviceTexture> CreateTextureEvicting(const std::wstring& name,
                                                                   int width, int height,
                                                                   platform::TextureFormat format);
    // Registers a texture under a new name with one reference and makes its pixel copy. A name
    // that is already registered keeps its texture: the new one is dropped and a reference added.
    int RegisterTexture(const std::wstring& name, std::unique_ptr<platform::DeviceTexture> texture,
                        int pictureWidth, int pictureHeight);

    // --- Text (media/TextTexture.cpp).

    // The index in fonts.fontList of the font with this face, height, boldness and slant (the
    // underline flag is not compared); made and appended when there is none yet.
    int GetFont(const std::wstring& faceName, int height, bool bold, bool italic, bool underline);
    // The picture of one UTF-16 code unit in the style, registered under `name` (a registered
    // name is shared whatever the other arguments). It is `box`'s width × height when a box is
    // given, else the character's advance × the font's cell height (1 for a size of 0), cleared
    // to `backgroundColor` with the glyph blended over it in `textColor` (both ARGB), the
    // underline drawn as a bar when asked. slotCount when no texture can be made.
    int CreateTextTexture(const std::wstring& name, wchar_t character, const platform::Rect* box,
                          uint32_t textColor, int height, const std::wstring& faceName,
                          bool italic, bool bold, bool underline, uint32_t backgroundColor);

    // --- The device.

    // Makes the device for the window (headless when null) with a width × height back buffer,
    // replacing any earlier device (its textures are evicted first and come back from their
    // copies). 0 on success, 1 when the device could not be made. Throws std::runtime_error
    // "Can't init Direct3D" when the video subsystem cannot start and "Can't init DisplayMode"
    // when the display mode cannot be read.
    int InitDirect3D(platform::NativeWindow* window, bool windowed, int width, int height,
                     int refreshRate);
    // True while there is no usable device: none made yet, or lost and not re-created.
    bool IsDeviceLost();
    // Evicts every texture; when the device is lost, makes a new one. True when usable afterwards.
    bool ResetDevice();
    // The window layer's entry point for SDL's device-reset events.
    void NotifyDeviceLost();
    // A limit on texture memory for every device this object makes (0: none); see GraphicsDevice.
    void SetTextureMemoryBudget(size_t bytes);

    void MakePixelCopy(int index);
    void RestoreTexture(int index);
    void EvictTexture(int index);

    // Draws the slot's picture part `source` (the whole `image` when null) into `destination`
    // (relative to the drawing origin), tinted by the ARGB colour and turned by `angle` radians
    // clockwise about the destination's centre. Always 0; an empty destination draws nothing.
    int DrawTexture(int index, const platform::Rect& destination,
                    const platform::Rect* source = nullptr, uint32_t color = 0xFFFFFFFF,
                    float angle = 0.0f);
    // The ARGB value of the pixel copy at (x, y); 0 outside the texture or for an invalid index.
    uint32_t GetTexturePixel(int index, int x, int y);
    // Lets the writer fill the locked texture. The pixel copy is not refreshed.
    void UpdateTexture(int index, const TextureWriter& writer);
    // Changes with every UpdateTexture of the slot; 0 for an invalid index.
    uint32_t TextureVersion(int index) const;
    // The part of `source` (a rectangle of the slot's picture) that may show what lies below the
    // picture drawn at its own size: the bounds of its pixels that are not fully opaque, empty
    // when all are. All of `source` when the pixels cannot be read.
    platform::Rect TranslucentPart(int index, const platform::Rect& source);
    // Writes "FPS: <frames per second>\n" to the debug output.
    void ReportFrameRate();

    // --- Frame and viewport operations of the window and the containers (nothing happens when
    // there is no device).
    void Clear(uint32_t color);
    void BeginScene();
    void EndScene();
    void Present();
    // Present for a frame that changed only these scene rectangles (the processor's way shows
    // only them; other devices show the whole frame).
    void PresentChanged(const std::vector<platform::Rect>& changed);
    // Set when every frame is to be drawn and shown whole (see the graphics device).
    bool DrawsWholeFrames() const;
    // While set and not empty, drawing is limited to these disjoint rectangles as well as to the
    // viewport: a frame that redraws only what changed draws its whole tree once, each picture
    // only where it meets a changed rectangle. The window sets it for such a frame.
    void SetDrawingRegion(const std::vector<platform::Rect>* region);
    // The rectangles the frame draws in, or null when it draws everything.
    const std::vector<platform::Rect>* DrawingRegion() const { return drawingRegion_; }
    // Drawing into the kept scene, whose pixels stay from one frame to the next (see the graphics
    // device); false when there is none, `intact` whether it still holds the last frame.
    bool BeginKeptScene(bool& intact);
    void EndKeptScene();
    void FillRect(const platform::Rect& rect, uint32_t color);
    // The clip rectangle in device (scene) pixels; the whole back buffer when there is no device.
    platform::Rect GetViewport() const;
    void SetViewport(const platform::Rect& viewport);
    // The back buffer's pixels as drawn so far (tests read the headless device with it).
    platform::Screenshot ReadPixels();

    // --- Fields, read and written by the window, the containers and the views.

    // Slot table; a null entry is a free slot.
    std::vector<std::unique_ptr<TextureSlot>> textures;
    // Name → index of every occupied slot.
    std::map<std::wstring, int> textureNames;
    // Freed indices, reused last-freed first.
    std::vector<int> freeSlots;
    // Entries in `textures`, occupied or free; also the invalid index.
    uint32_t slotCount = 0;

    // What devices need from the system, and the device.
    std::unique_ptr<platform::GraphicsSystem> direct3d;
    std::unique_ptr<platform::GraphicsDevice> device;
    // The last quad DrawTexture computed, exactly as handed to the device.
    platform::Quad quadBuffer{};

    // Back-buffer size.
    int width = 0;
    int height = 0;
    bool windowed = true;
    bool deviceLost = false;
    int refreshRate = 0;
    platform::NativeWindow* window = nullptr;
    FontRegistry fonts;
    // TimeGetTime at creation, and the loop passes counted since (the window counts them).
    uint32_t startTime = 0;
    uint32_t frameCount = 0;
    // Drawing origin, added to every destination; containers move it to their own corner.
    int originX = 0;
    int originY = 0;

private:
    // Runs `attempt` again after evicting one texture for as long as it throws std::bad_alloc and
    // something is left to evict; gives up with an empty result.
    template <class Attempt> auto RetryEvicting(const std::wstring& spared, Attempt attempt);
    // Evicts the first live texture in index order that is not registered as `spared` and can be
    // restored. False when there is none.
    bool EvictOneTexture(const std::wstring& spared);
    // Hands quadBuffer to the device, only where it can be seen: inside the viewport and the
    // drawing region.
    void DrawQuadClipped(platform::DeviceTexture& texture);
    int ShareRegistered(const std::wstring& name);

    size_t textureMemoryBudget_ = 0;
    const std::vector<platform::Rect>* drawingRegion_ = nullptr;
};

// The media object while the main window exists (the window layer sets it).
extern IMResourceManager* Renderer;

// The code page 1251 text of the exception that window creation throws when InitDirect3D fails:
// "Не могу создать устройство Direct3D".
std::string CannotCreateDeviceText();

// The smallest power of two not below the size, 1 for sizes up to 1.
int TextureSize(int size);

// A device texture of TextureSize(width) × TextureSize(height). False when it cannot be made;
// throws std::bad_alloc when texture memory is exhausted.
bool CreateDeviceTexture(platform::GraphicsDevice* device, int width, int height,
                         platform::TextureFormat format,
                         std::unique_ptr<platform::DeviceTexture>& texture);
