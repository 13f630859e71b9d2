// The graphics device: headless without SDL, its texture budget, textures outliving it, and the
// same device over a real SDL window.
#include "platform/graphics/GraphicsDevice.h"
#include "platform/graphics/SdlNativeWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>
#include <vector>

using namespace platform;

namespace {

// A 4 × 2 texture whose pixels all differ: ARGB 0xFF(10x)(20y)(40).
std::unique_ptr<DeviceTexture> Pattern(GraphicsDevice& device) {
    auto texture = device.CreateTexture(4, 2, TextureFormat::A8R8G8B8);
    TextureLock lock(*texture);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            uint32_t argb =
                0xFF000040u | uint32_t(0x10 * (x + 1)) << 16 | uint32_t(0x20 * (y + 1)) << 8;
            std::memcpy(lock.Bits() + y * lock.Pitch() + 4 * x, &argb, 4);
        }
    return texture;
}

// The quad that shows the whole texture at its own size with its top-left texel at (x, y).
Quad AtOwnSize(const DeviceTexture& texture, float x, float y) {
    float w = static_cast<float>(texture.Width()), h = static_cast<float>(texture.Height());
    Quad quad;
    const float corners[4][4] = {{0, 0, 0, 0}, {w, 0, 1, 0}, {w, h, 1, 1}, {0, h, 0, 1}};
    for (size_t i = 0; i < 4; ++i)
        quad[i] = QuadVertex{x + corners[i][0] - 0.5f,
                             y + corners[i][1] - 0.5f,
                             0,
                             1,
                             0xFFFFFFFF,
                             corners[i][2],
                             corners[i][3]};
    return quad;
}

void ExpectPatternAt(const Screenshot& shot, int left, int top) {
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(shot.At(left + x, top + y),
                      0xFF000040u | uint32_t(0x10 * (x + 1)) << 16 | uint32_t(0x20 * (y + 1)) << 8)
                << "texel " << x << ", " << y;
    EXPECT_EQ(shot.At(left - 1, top), 0xFF000000u);
    EXPECT_EQ(shot.At(left + 4, top + 1), 0xFF000000u);
    EXPECT_EQ(shot.At(left, top + 2), 0xFF000000u);
}

TEST(GraphicsDeviceTest, HeadlessDrawsTexelExactWithoutSdl) {
    auto device = GraphicsDevice::Create(nullptr, 64, 48);
    ASSERT_TRUE(device);
    EXPECT_TRUE(device->IsHeadless());
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
    auto texture = Pattern(*device);
    device->Clear(0xFF000000);
    device->DrawQuad(*texture, AtOwnSize(*texture, 10, 20));
    Screenshot shot = device->ReadPixels();
    ASSERT_EQ(shot.width, 64);
    ASSERT_EQ(shot.height, 48);
    ExpectPatternAt(shot, 10, 20);
}

TEST(GraphicsDeviceTest, BudgetRunsOutLikeVideoMemory) {
    auto device = GraphicsDevice::Create(nullptr, 8, 8);
    device->SetTextureMemoryBudget(3 * 64 * 64 * 4);
    auto a = device->CreateTexture(64, 64, TextureFormat::A8R8G8B8);
    auto b = device->CreateTexture(64, 64, TextureFormat::X8R8G8B8);
    auto c = device->CreateTexture(64, 64, TextureFormat::A8R8G8B8);
    EXPECT_EQ(device->TextureMemoryInUse(), size_t(3 * 64 * 64 * 4));
    EXPECT_THROW(device->CreateTexture(1, 1, TextureFormat::A8R8G8B8), std::bad_alloc);
    b.reset();
    EXPECT_NE(device->CreateTexture(64, 64, TextureFormat::A8R8G8B8), nullptr);
    EXPECT_EQ(device->TextureMemoryInUse(), size_t(2 * 64 * 64 * 4));
    // Sizes no device makes are a failure, not exhaustion.
    device->SetTextureMemoryBudget(0);
    EXPECT_EQ(device->CreateTexture(0, 4, TextureFormat::A8R8G8B8), nullptr);
    EXPECT_EQ(device->CreateTexture(1 << 20, 4, TextureFormat::A8R8G8B8), nullptr);
}

TEST(GraphicsDeviceTest, TextureOutlivingItsDeviceNeitherLocksNorDraws) {
    auto device = GraphicsDevice::Create(nullptr, 8, 8);
    auto texture = device->CreateTexture(4, 4, TextureFormat::A8R8G8B8);
    ASSERT_TRUE(texture->Lock());
    EXPECT_FALSE(texture->Lock()) << "a locked texture does not lock twice";
    texture->Unlock();
    device.reset();
    EXPECT_FALSE(texture->Lock());
    texture.reset(); // must not free what the device already freed
}

// The window path: SDL's dummy video driver gives a real window with a software framebuffer and
// no graphics device, so the scene is drawn by the processor; this runs on any machine. The
// window is twice the scene's size: the scene is scaled to fit when it is shown.
TEST(GraphicsDeviceTest, WindowDeviceDrawsTheSceneAndScalesItToTheWindow) {
    // As the window layer does: video first, then the window, then the device over it.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("test", 0, 0, 128, 96, 0);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    auto system = GraphicsSystem::Open(ToNativeWindow(window));
    ASSERT_TRUE(system) << SDL_GetError();
    EXPECT_TRUE(system->HasDisplayMode(ToNativeWindow(window)));
    {
        auto device = system->CreateDevice(ToNativeWindow(window), 64, 48);
        ASSERT_TRUE(device);
        EXPECT_FALSE(device->IsHeadless());
        EXPECT_STREQ(device->DrawingPath(), "processor");
        EXPECT_EQ(device->Width(), 64);
        auto texture = Pattern(*device);
        device->Clear(0xFF000000);
        device->SetViewport(Rect{0, 0, 12, 48});
        device->DrawQuad(*texture, AtOwnSize(*texture, 10, 20));
        Screenshot scene = device->ReadPixels();
        ASSERT_EQ(scene.width, 64);
        ASSERT_EQ(scene.height, 48);
        EXPECT_EQ(scene.At(10, 20), 0xFF102040u);
        EXPECT_EQ(scene.At(11, 21), 0xFF204040u);
        EXPECT_EQ(scene.At(12, 20), 0xFF000000u) << "clipped by the viewport at scene x 12";
        device->Present();
        SDL_Surface* shown = SDL_GetWindowSurface(window);
        ASSERT_NE(shown, nullptr);
        auto at = [shown](int x, int y) {
            return static_cast<const uint32_t*>(shown->pixels)[y * shown->pitch / 4 + x] &
                   0xFFFFFFu;
        };
        // Window pixel x samples scene (x + ½) / 2 − ½, blending its two neighbours: scene
        // pixels 10 and 11 reach from window 19 to 23.
        EXPECT_EQ(at(21, 41) & 0xFF, 0x40u);
        EXPECT_NE(at(19, 41), 0u);
        EXPECT_NE(at(23, 41), 0u);
        EXPECT_EQ(at(17, 41), 0u);
        EXPECT_EQ(at(25, 41), 0u);
        EXPECT_FALSE(device->IsLost());
        device->NotifyDeviceLost();
        EXPECT_TRUE(device->IsLost());
    }
    system.reset();
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "the window layer's own start of video remains";
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

} // namespace

namespace {

// A picture of 13 × 11 in a 16 × 16 texture whose texels all differ, some translucent, some
// fully transparent, as pictures with soft edges are; or all opaque.
std::unique_ptr<DeviceTexture> SoftPicture(GraphicsDevice& device, bool opaque) {
    auto texture = device.CreateTexture(16, 16, TextureFormat::A8R8G8B8);
    TextureLock lock(*texture);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 13; ++x) {
            const uint32_t alpha = opaque                ? 0xFF
                                   : (x + y) % 5 == 0 ? 0
                                   : (x * 37 + y * 11) % 3 == 0 ? 0x80
                                                                : 0xFF;
            const uint32_t argb = alpha << 24 | uint32_t(x * 19) << 16 | uint32_t(y * 23) << 8 |
                                  uint32_t((x * y * 7) & 0xFF);
            std::memcpy(lock.Bits() + y * lock.Pitch() + 4 * x, &argb, 4);
        }
    return texture;
}

// An opaque background of many colours under the picture, so that blending shows.
std::unique_ptr<DeviceTexture> Background(GraphicsDevice& device) {
    auto texture = device.CreateTexture(64, 64, TextureFormat::A8R8G8B8);
    TextureLock lock(*texture);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const uint32_t argb = 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | 0x55;
            std::memcpy(lock.Bits() + y * lock.Pitch() + 4 * x, &argb, 4);
        }
    return texture;
}

// The quad the renderer makes for a picture's source rectangle shown in `destination`, turned
// about its centre by `angle`, as IMResourceManager::DrawTexture builds it.
Quad PictureQuad(const DeviceTexture& texture, const Rect& source, const Rect& destination,
                 float angle, uint32_t tint) {
    float corners[4][2] = {{float(destination.left), float(destination.top)},
                           {float(destination.right), float(destination.top)},
                           {float(destination.right), float(destination.bottom)},
                           {float(destination.left), float(destination.bottom)}};
    const float cx = (destination.left + destination.right) * 0.5f;
    const float cy = (destination.top + destination.bottom) * 0.5f;
    for (auto& p : corners) {
        const float x = p[0] - cx, y = p[1] - cy;
        p[0] = std::cos(angle) * x - std::sin(angle) * y + cx;
        p[1] = std::sin(angle) * x + std::cos(angle) * y + cy;
    }
    const float tw = float(texture.Width()), th = float(texture.Height());
    const float uv[4][2] = {{source.left / tw, source.top / th},
                            {source.right / tw, source.top / th},
                            {source.right / tw, source.bottom / th},
                            {source.left / tw, source.bottom / th}};
    Quad quad;
    for (size_t i = 0; i < 4; ++i)
        quad[i] = QuadVertex{corners[i][0] - 0.5f, corners[i][1] - 0.5f, 0, 1, tint, uv[i][0],
                             uv[i][1]};
    return quad;
}

struct PictureCase {
    const char* what;
    Rect source;
    Rect destination;
    float quarters;
    uint32_t tint;
    bool opaque = false;
};

// The background, then the picture, drawn once more for each rectangle of `clips` with that
// rectangle as the viewport (none: drawn once, uncut).
Screenshot DrawPicture(GraphicsDevice& device, const PictureCase& c,
                       const std::vector<Rect>& clips = {}) {
    auto background = Background(device);
    auto picture = SoftPicture(device, c.opaque);
    const Quad quad = PictureQuad(*picture, c.source, c.destination,
                                  c.quarters * 3.14159265358979f / 2, c.tint);
    device.Clear(0xFF000000);
    device.DrawQuad(*background, AtOwnSize(*background, 0, 0));
    if (clips.empty())
        device.DrawQuad(*picture, quad);
    for (const Rect& clip : clips) {
        device.SetViewport(clip);
        device.DrawQuad(*picture, quad);
    }
    device.SetViewport(Rect{0, 0, device.Width(), device.Height()});
    // Twice more: later draws come from what the first one kept.
    for (int again = 0; again < 2; ++again) {
        device.SetViewport(Rect{0, 0, device.Width(), device.Height()});
        device.DrawQuad(*background, AtOwnSize(*background, 0, 0));
        for (const Rect& clip : clips.empty() ? std::vector<Rect>{Rect{0, 0, 64, 48}} : clips) {
            device.SetViewport(clip);
            device.DrawQuad(*picture, quad);
        }
    }
    device.SetViewport(Rect{0, 0, device.Width(), device.Height()});
    return device.ReadPixels();
}

size_t DifferingPixels(const Screenshot& a, const Screenshot& b) {
    size_t count = 0;
    for (size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        count += a.pixels[i] != b.pixels[i];
    return count + (a.pixels.size() != b.pixels.size() ? 1 : 0);
}

} // namespace

// Pictures drawn smaller or turned by right angles come from a resized or turned copy the device
// keeps, and every picture is copied only where it has any alpha: the pixels are those SDL gives drawing the picture whole (the whole-frame way), and
// drawing it cut into pieces gives exactly the same pixels, which SDL's own resizing of a cut
// picture does not. (Enlarged upright pictures are drawn as before, and cut differently.)
TEST(GraphicsDeviceTest, ResizedAndTurnedPicturesDrawTheSameWholeAndCut) {
    const PictureCase cases[] = {
        {"at its own size", {0, 0, 13, 11}, {7, 3, 20, 14}, 0, 0xFFFFFFFF},
        {"the whole texture, its transparent border included", {0, 0, 16, 16}, {40, 20, 56, 36},
         0, 0x90FF80FF},
        {"halved", {0, 0, 13, 11}, {10, 9, 16, 14}, 0, 0xFFFFFFFF},
        {"made smaller, odd sizes, tinted grey", {0, 0, 13, 11}, {20, 5, 29, 12}, 0, 0xFF808080},
        {"wider and lower, translucent", {0, 0, 13, 11}, {30, 20, 50, 26}, 0, 0x80FFC040},
        {"part of the picture made smaller", {3, 2, 11, 9}, {35, 10, 40, 15}, 0, 0xFFFFFFFF},
        {"half off the scene, halved", {0, 0, 13, 11}, {-3, 40, 3, 45}, 0, 0xFFFFFFFF},
        {"a quarter turn, half off the scene", {0, 0, 13, 11}, {55, 38, 68, 49}, 1, 0xFFFFFFFF},
        {"a quarter turn at its own size", {0, 0, 13, 11}, {20, 20, 33, 31}, 1, 0xFFFFFFFF},
        {"a half turn, tinted", {0, 0, 13, 11}, {40, 30, 53, 41}, 2, 0xC0FF8040},
        {"three quarter turns, enlarged", {0, 0, 13, 11}, {5, 10, 31, 32}, 3, 0xFFFFFFFF},
        {"a quarter turn, made smaller", {0, 0, 13, 11}, {44, 4, 52, 10}, 1, 0xFFFFFFFF},
        {"opaque, made smaller, tinted grey", {0, 0, 13, 11}, {12, 30, 20, 37}, 0, 0xFF878787, true},
        {"opaque, a quarter turn, tinted", {0, 0, 13, 11}, {30, 2, 43, 13}, 1, 0xFFFF8040, true},
        {"opaque, halved, translucent tint", {0, 0, 13, 11}, {2, 2, 8, 7}, 0, 0x80FFFFFF, true},
    };
    // The scene in uneven pieces, as partial redraws cut it.
    const int columns[] = {0, 5, 18, 33, 47, 64}, rows[] = {0, 7, 22, 31, 48};
    std::vector<Rect> pieces;
    for (size_t row = 0; row + 1 < std::size(rows); ++row)
        for (size_t column = 0; column + 1 < std::size(columns); ++column)
            pieces.push_back(Rect{columns[column], rows[row], columns[column + 1], rows[row + 1]});
    setenv("ZELTARIK_REDRAW", "whole", 1);
    auto wholeFrames = GraphicsDevice::Create(nullptr, 64, 48);
    unsetenv("ZELTARIK_REDRAW");
    auto device = GraphicsDevice::Create(nullptr, 64, 48);
    ASSERT_TRUE(wholeFrames && device);
    ASSERT_TRUE(wholeFrames->DrawsWholeFrames());
    for (const PictureCase& c : cases) {
        const Screenshot expected = DrawPicture(*wholeFrames, c);
        const Screenshot background = [&] {
            PictureCase none = c;
            none.tint = 0x00FFFFFF;
            return DrawPicture(*wholeFrames, none);
        }();
        EXPECT_GT(DifferingPixels(expected, background), 0u) << c.what << ": the picture shows";
        EXPECT_EQ(DifferingPixels(DrawPicture(*device, c), expected), 0u) << c.what << ", whole";
        EXPECT_EQ(DifferingPixels(DrawPicture(*device, c, pieces), expected), 0u)
            << c.what << ", cut";
    }
}
