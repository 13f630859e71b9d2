// Showing the processor-drawn scene in a window: where the letterbox puts it, partial presents
// giving the pixels of whole ones, and mouse positions coming back in scene pixels.
#include "platform/graphics/GraphicsDevice.h"
#include "platform/graphics/ScenePresenter.h"
#include "platform/graphics/SdlNativeWindow.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace platform;

namespace {

TEST(ScenePresenterTest, TheLetterboxKeepsTheScenesAspectCentred) {
    struct Case {
        int width, height;
        Rect expected;
    };
    const Case cases[] = {
        {800, 600, {0, 0, 800, 600}},      {1024, 768, {0, 0, 1024, 768}},
        {1280, 800, {107, 0, 1173, 800}},  {1280, 1024, {0, 32, 1280, 992}},
        {1920, 1080, {240, 0, 1680, 1080}}, {640, 600, {0, 60, 640, 540}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LetterboxIn(800, 600, c.width, c.height), c.expected)
            << c.width << " x " << c.height;
}

// The vectorised scaling gives the one-by-one loop's pixels, for any part of the target, scaling
// up, down and unevenly, over a scene of every byte value.
TEST(ScenePresenterTest, ScalingSeveralPixelsAtATimeGivesTheOneByOnePixels) {
    std::mt19937 random(11);
    const int sceneWidth = 37, sceneHeight = 23;
    std::vector<uint32_t> scene(static_cast<size_t>(sceneWidth) * sceneHeight);
    for (uint32_t& pixel : scene)
        pixel = static_cast<uint32_t>(random());
    scene[0] = 0xFFFFFFFFu;
    scene[1] = 0x00000000u;
    for (const auto& [width, height] : {std::pair{53, 31}, std::pair{20, 12}, std::pair{37, 40},
                                        std::pair{1066, 800}, std::pair{3, 2}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const Rect area = LetterboxIn(sceneWidth, sceneHeight, width + 4, height + 6);
        const SceneScaler scaler(sceneWidth, sceneHeight, area);
        const int pitch = (width + 4) * 4;
        std::vector<uint32_t> fast(static_cast<size_t>(width + 4) * (height + 6), 0x12345678u);
        std::vector<uint32_t> plain = fast;
        std::vector<Rect> parts = {area};
        for (int i = 0; i < 30; ++i) {
            const int x = static_cast<int>(random() % (width + 4));
            const int y = static_cast<int>(random() % (height + 6));
            parts.push_back(Rect{x, y, x + 1 + static_cast<int>(random() % 9),
                                 y + 1 + static_cast<int>(random() % 5)});
        }
        for (const Rect& part : parts) {
            scaler.Scale(scene.data(), sceneWidth * 4, fast.data(), pitch, part);
            scaler.ScaleOneByOne(scene.data(), sceneWidth * 4, plain.data(), pitch, part);
            ASSERT_TRUE(fast == plain) << "part " << part.left << ", " << part.top << " – "
                                       << part.right << ", " << part.bottom;
        }
    }
}

// Whatever rectangles change, the window after presenting only them equals the window after a
// whole present of the same scene, at scales up, down and by one.
TEST(ScenePresenterTest, PresentingOnlyTheChangesGivesTheWholePresentsPixels) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    for (const auto& [width, height] : {std::pair{203, 131}, std::pair{80, 60}, std::pair{57, 77}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        SDL_Window* window = SDL_CreateWindow("test", 0, 0, width, height, 0);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        auto system = GraphicsSystem::Open(ToNativeWindow(window));
        auto device = system->CreateDevice(ToNativeWindow(window), 80, 60);
        ASSERT_TRUE(device);
        ASSERT_STREQ(device->DrawingPath(), "processor");
        std::mt19937 random(7);
        auto fill = [&](const Rect& rect) { device->FillRect(rect, random() | 0xFF000000u); };
        auto shown = [window] {
            SDL_Surface* surface = SDL_GetWindowSurface(window);
            std::vector<uint32_t> pixels;
            for (int y = 0; y < surface->h; ++y)
                for (int x = 0; x < surface->w; ++x)
                    pixels.push_back(static_cast<const uint32_t*>(
                                         surface->pixels)[y * surface->pitch / 4 + x] &
                                     0xFFFFFFu);
            return pixels;
        };
        for (int y = 0; y < 60; y += 5)
            for (int x = 0; x < 80; x += 5)
                fill(Rect{x, y, x + 5, y + 5});
        device->Present();
        for (int round = 0; round < 20; ++round) {
            std::vector<Rect> changed;
            for (int i = 0; i < 3; ++i) {
                const int x = static_cast<int>(random() % 80), y = static_cast<int>(random() % 60);
                const Rect rect = IntersectRect(
                    Rect{x, y, x + 1 + static_cast<int>(random() % 20),
                         y + 1 + static_cast<int>(random() % 15)},
                    Rect{0, 0, 80, 60});
                fill(rect);
                changed.push_back(rect);
            }
            device->PresentChanged(changed);
            const std::vector<uint32_t> partial = shown();
            device->Present();
            ASSERT_TRUE(shown() == partial) << "round " << round;
        }
        device.reset();
        system.reset();
        SDL_DestroyWindow(window);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

// The window's pixels go back to the scene as SDL's logical size would give them, for the events
// in the queue and for the window layer's own questions.
TEST(ScenePresenterTest, MousePositionsArriveInScenePixels) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "dummy");
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Window* window = SDL_CreateWindow("test", 0, 0, 1280, 800, 0);
    ASSERT_NE(window, nullptr);
    auto system = GraphicsSystem::Open(ToNativeWindow(window));
    auto device = system->CreateDevice(ToNativeWindow(window), 800, 600);
    ASSERT_TRUE(device);
    device->Present();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.windowID = SDL_GetWindowID(window);
    motion.motion.x = 107 + 400;
    motion.motion.y = 400;
    SDL_PushEvent(&motion);
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.windowID = SDL_GetWindowID(window);
    button.button.x = 100;
    button.button.y = 0;
    SDL_PushEvent(&button);
    SDL_Event event;
    ASSERT_TRUE(SDL_PollEvent(&event));
    ASSERT_EQ(event.type, SDL_MOUSEMOTION);
    EXPECT_EQ(event.motion.x, 300);
    EXPECT_EQ(event.motion.y, 300);
    ASSERT_TRUE(SDL_PollEvent(&event));
    EXPECT_EQ(event.button.x, -6) << "in the letterbox, left of the scene";
    EXPECT_EQ(event.button.y, 0);
    float x = 0, y = 0;
    WindowToScene(window, 1173, 799, x, y);
    EXPECT_FLOAT_EQ(x, 800.0f);
    EXPECT_NEAR(y, 599.25f, 1e-3f);
    int windowX = 0, windowY = 0;
    SceneToWindow(window, 400, 300, windowX, windowY);
    EXPECT_EQ(windowX, 640);
    EXPECT_EQ(windowY, 400);
    device.reset();
    system.reset();
    SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
}

} // namespace
