// The graphics device: headless without SDL, its texture budget, textures outliving it, and the
// same device over a real SDL window.
#include "platform/graphics/GraphicsDevice.h"
#include "platform/graphics/SdlNativeWindow.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>

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
