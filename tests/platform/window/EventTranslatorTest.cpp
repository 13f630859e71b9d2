// SDL events become the Win32 messages the framework expects: numbers,
// parameter packing, double-clicks, wheel notches, keys and characters.
#include "platform/MessageQueue.h"
#include "platform/WinCodes.h"
#include "platform/window/HeadlessWindow.h"
#include "platform/window/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;

namespace {

class EventTranslatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearMessages();
        std::string error;
        ASSERT_NE(OpenMainWindow(L"test", Rect{0, 0, 800, 600}, WindowMode::FullScreen, error),
                  nullptr);
    }
    void TearDown() override {
        CloseMainWindow();
        ClearMessages();
    }

    std::vector<Message> Take() {
        std::vector<Message> all;
        Message m;
        while (PeekMessage(m))
            all.push_back(m);
        return all;
    }

    HeadlessWindow window;
};

} // namespace

TEST_F(EventTranslatorTest, ButtonsCarryStateAfterTheEventAndScenePosition) {
    window.PressButton(SDL_BUTTON_LEFT, 10, 20);
    window.PressKey(SDLK_LSHIFT, KMOD_LSHIFT);
    window.PressButton(SDL_BUTTON_RIGHT, 11, 21);
    window.ReleaseButton(SDL_BUTTON_LEFT, 12, 22);
    window.MoveMouse(-5, 700);

    auto m = Take();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0].message, WM_LBUTTONDOWN);
    EXPECT_EQ(m[0].wParam, MK_LBUTTON);
    EXPECT_EQ(m[0].lParam, MakeLParam(10, 20));
    EXPECT_EQ(m[1].message, WM_KEYDOWN);
    EXPECT_EQ(m[2].message, WM_RBUTTONDOWN);
    EXPECT_EQ(m[2].wParam, MK_LBUTTON | MK_RBUTTON | MK_SHIFT);
    EXPECT_EQ(m[3].message, WM_LBUTTONUP);
    EXPECT_EQ(m[3].wParam, MK_RBUTTON | MK_SHIFT);
    // Moves outside the scene still arrive, sign-extended, so hover can end.
    EXPECT_EQ(m[4].message, WM_MOUSEMOVE);
    EXPECT_EQ(XFromLParam(m[4].lParam), -5);
    EXPECT_EQ(YFromLParam(m[4].lParam), 700);
}

TEST_F(EventTranslatorTest, EverySecondPressOfASeriesIsADoubleClick) {
    struct Case {
        uint8_t button;
        uint8_t clicks;
        uint32_t expected;
    } cases[] = {
        {SDL_BUTTON_LEFT, 1, WM_LBUTTONDOWN},     {SDL_BUTTON_LEFT, 2, WM_LBUTTONDBLCLK},
        {SDL_BUTTON_LEFT, 3, WM_LBUTTONDOWN},     {SDL_BUTTON_LEFT, 4, WM_LBUTTONDBLCLK},
        {SDL_BUTTON_RIGHT, 2, WM_RBUTTONDBLCLK},  {SDL_BUTTON_MIDDLE, 1, WM_MBUTTONDOWN},
        {SDL_BUTTON_MIDDLE, 2, WM_MBUTTONDBLCLK},
    };
    for (const Case& c : cases) {
        window.PressButton(c.button, 100, 100, c.clicks);
        window.ReleaseButton(c.button, 100, 100);
        auto m = Take();
        ASSERT_EQ(m.size(), 2u);
        EXPECT_EQ(m[0].message, c.expected) << int(c.button) << " clicks " << int(c.clicks);
    }
}

TEST_F(EventTranslatorTest, ClicksInTheLetterboxAreDroppedButTheButtonStateFollows) {
    window.PressButton(SDL_BUTTON_LEFT, -1, 300);
    window.PressButton(SDL_BUTTON_MIDDLE, 400, 600);
    window.MoveMouse(400, 300);
    window.ReleaseButton(SDL_BUTTON_LEFT, 800, 10);
    window.MoveMouse(401, 300);

    auto m = Take();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].message, WM_MOUSEMOVE);
    EXPECT_EQ(m[0].wParam, MK_LBUTTON | MK_MBUTTON);
    EXPECT_EQ(m[1].wParam, MK_MBUTTON);
}

TEST_F(EventTranslatorTest, WheelSendsOneMessagePerNotchWithKeyStateInTheLowWord) {
    window.MoveMouse(50, 60);
    Take();
    window.PressButton(SDL_BUTTON_LEFT, 50, 60);
    window.TurnWheel(2);
    window.ReleaseButton(SDL_BUTTON_LEFT, 50, 60);
    window.PressKey(SDLK_LCTRL, KMOD_LCTRL);
    window.TurnWheel(-1);

    std::vector<Message> wheel;
    for (const Message& m : Take())
        if (m.message == WM_MOUSEWHEEL)
            wheel.push_back(m);
    ASSERT_EQ(wheel.size(), 3u);
    EXPECT_EQ(WheelDelta(wheel[0].wParam), 120);
    EXPECT_EQ(LoWord(wheel[0].wParam), MK_LBUTTON);
    EXPECT_EQ(wheel[1].wParam, wheel[0].wParam);
    EXPECT_EQ(wheel[0].lParam, MakeLParam(50, 60));
    EXPECT_EQ(WheelDelta(wheel[2].wParam), -120);
    EXPECT_EQ(LoWord(wheel[2].wParam), MK_CONTROL);
}

TEST_F(EventTranslatorTest, SmoothScrollingMakesAMessageOnlyForEachWholeNotch) {
    auto notches = [&](std::initializer_list<float> reports) {
        std::vector<int> deltas;
        for (float r : reports) {
            window.TurnWheel(r);
            for (const Message& m : Take())
                deltas.push_back(WheelDelta(m.wParam));
        }
        return deltas;
    };
    EXPECT_EQ(notches({0.3f, 0.3f, 0.3f, 0.3f}), std::vector<int>{120});
    // 0.2 was left over; 0.1 ten times makes the next notch.
    EXPECT_EQ(notches({0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f, 0.1f}), std::vector<int>{120});
    // Turning back forgets the half notch that was left in the other direction.
    EXPECT_EQ(notches({0.5f, -0.6f, -0.5f}), std::vector<int>{-120});
    EXPECT_EQ(notches({2.5f}), (std::vector<int>{120, 120}));

    SDL_Event flipped{};
    flipped.wheel.type = SDL_MOUSEWHEEL;
    flipped.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
    flipped.wheel.y = 1;
    window.PushEvent(flipped);
    auto m = Take();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(WheelDelta(m[0].wParam), -120);
}

TEST_F(EventTranslatorTest, KeysBecomeVirtualKeyCodes) {
    struct Case {
        SDL_Keycode key;
        SDL_Scancode scancode;
        uint32_t vk;
    } cases[] = {
        {SDLK_F1, SDL_SCANCODE_F1, 112},
        {SDLK_F12, SDL_SCANCODE_F12, 123},
        {SDLK_ESCAPE, SDL_SCANCODE_UNKNOWN, 27},
        {SDLK_RETURN, SDL_SCANCODE_UNKNOWN, 13},
        {SDLK_SPACE, SDL_SCANCODE_UNKNOWN, 32},
        {SDLK_LEFT, SDL_SCANCODE_UNKNOWN, 37},
        {SDLK_DOWN, SDL_SCANCODE_UNKNOWN, 40},
        {SDLK_DELETE, SDL_SCANCODE_UNKNOWN, 46},
        {SDLK_BACKSPACE, SDL_SCANCODE_UNKNOWN, 8},
        {SDLK_TAB, SDL_SCANCODE_UNKNOWN, 9},
        {SDLK_RCTRL, SDL_SCANCODE_UNKNOWN, 17},
        {SDLK_i, SDL_SCANCODE_UNKNOWN, 'I'},
        {SDLK_7, SDL_SCANCODE_UNKNOWN, '7'},
        // Under a Cyrillic layout the I key reports "ш"; Windows says 'I'.
        {0x0448, SDL_SCANCODE_I, 'I'},
        // AZERTY: the key left of Z's place types "w", and Windows says 'W'.
        {SDLK_w, SDL_SCANCODE_Z, 'W'},
    };
    for (const Case& c : cases) {
        SDL_Keysym key{};
        key.sym = c.key;
        key.scancode = c.scancode;
        EXPECT_EQ(EventTranslator::VirtualKey(key), c.vk) << "key " << c.key;
    }
}

TEST_F(EventTranslatorTest, KeyMessagesCarryWindowsKeyDataAndSystemKeysWithAlt) {
    window.PressKey(SDLK_a);
    window.PressKey(SDLK_a, KMOD_NONE, true);
    window.ReleaseKey(SDLK_a);
    window.PressKey(SDLK_LALT, KMOD_LALT);
    window.PressKey(SDLK_F4, KMOD_LALT);

    auto m = Take();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0].message, WM_KEYDOWN);
    EXPECT_EQ(m[0].wParam, 'A');
    EXPECT_EQ(uint32_t(m[0].lParam), 1u);
    EXPECT_EQ(uint32_t(m[1].lParam), 1u | 1u << 30);
    EXPECT_EQ(m[2].message, WM_KEYUP);
    EXPECT_EQ(uint32_t(m[2].lParam), 1u | 1u << 30 | 1u << 31);
    EXPECT_EQ(m[3].message, WM_SYSKEYDOWN);
    EXPECT_EQ(m[3].wParam, VK_MENU);
    EXPECT_EQ(m[4].message, WM_SYSKEYDOWN);
    EXPECT_EQ(m[4].wParam, 115u);
    EXPECT_TRUE(uint32_t(m[4].lParam) & 1u << 29);
}

TEST_F(EventTranslatorTest, KeysThatTypeNoTextStillSendTheirWindowsCharacters) {
    struct Case {
        SDL_Keycode key;
        uint16_t modifiers;
        std::vector<uint32_t> characters;
    } cases[] = {
        {SDLK_BACKSPACE, KMOD_NONE, {8}}, {SDLK_TAB, KMOD_NONE, {9}},
        {SDLK_RETURN, KMOD_NONE, {13}},   {SDLK_KP_ENTER, KMOD_NONE, {13}},
        {SDLK_ESCAPE, KMOD_NONE, {27}},   {SDLK_a, KMOD_LCTRL, {1}},
        {SDLK_i, KMOD_RCTRL, {9}},        {SDLK_z, KMOD_LCTRL | KMOD_LSHIFT, {26}},
        {SDLK_a, KMOD_NONE, {}},          {SDLK_F1, KMOD_NONE, {}},
        {SDLK_a, KMOD_LALT, {}},
    };
    for (const Case& c : cases) {
        window.PressKey(c.key, c.modifiers);
        std::vector<uint32_t> characters;
        for (const Message& m : Take())
            if (m.message == WM_CHAR)
                characters.push_back(m.wParam);
        EXPECT_EQ(characters, c.characters) << "key " << c.key << " mod " << c.modifiers;
        window.ReleaseKey(c.key);
        Take();
    }
}

TEST_F(EventTranslatorTest, TypedTextSendsOneCharacterPerUtf16Unit) {
    window.TypeText("Жу5");
    window.TypeText("\xF0\x9F\x90\x9F"); // a fish, outside the BMP
    window.PressKey(SDLK_LALT, KMOD_LALT);
    window.TypeText("x"); // Alt + letter is a menu key, not text
    std::vector<uint32_t> characters;
    for (const Message& m : Take())
        if (m.message == WM_CHAR)
            characters.push_back(m.wParam);
    EXPECT_EQ(characters, (std::vector<uint32_t>{0x0416, 0x0443, '5', 0xD83D, 0xDC1F}));
}

TEST_F(EventTranslatorTest, WindowNotifications) {
    struct Case {
        SDL_WindowEventID event;
        uint32_t message;
        uint32_t wParam;
    } cases[] = {
        {SDL_WINDOWEVENT_EXPOSED, WM_PAINT, 0},
        {SDL_WINDOWEVENT_MINIMIZED, WM_SIZE, SIZE_MINIMIZED},
        {SDL_WINDOWEVENT_RESTORED, WM_SIZE, SIZE_RESTORED},
        {SDL_WINDOWEVENT_HIDDEN, WM_SHOWWINDOW, 0},
        {SDL_WINDOWEVENT_SHOWN, WM_SHOWWINDOW, 1},
        {SDL_WINDOWEVENT_CLOSE, WM_CLOSE, 0},
    };
    for (const Case& c : cases) {
        window.SendWindowEvent(c.event);
        auto m = Take();
        ASSERT_EQ(m.size(), 1u) << int(c.event);
        EXPECT_EQ(m[0].message, c.message) << int(c.event);
        EXPECT_EQ(m[0].wParam, c.wParam) << int(c.event);
    }
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    window.PushEvent(quit);
    auto m = Take();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].message, WM_CLOSE);
}

TEST_F(EventTranslatorTest, ADeviceResetTellsTheGraphicsLayerBeforeItsRepaint) {
    int resets = 0;
    SetDeviceResetHandler([&] {
        ++resets;
        EXPECT_EQ(QueuedMessageCount(), 0u);
    });
    SDL_Event reset{};
    reset.type = SDL_RENDER_DEVICE_RESET;
    window.PushEvent(reset);
    SetDeviceResetHandler({});
    EXPECT_EQ(resets, 1);
    auto m = Take();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].message, WM_PAINT);
}

TEST_F(EventTranslatorTest, KeyStateCursorAndCursorCounter) {
    EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
    window.PressKey(SDLK_LCTRL, KMOD_LCTRL);
    EXPECT_NE(GetAsyncKeyState(VK_CONTROL) & 0x8000, 0);
    window.PressKey(SDLK_i, KMOD_LCTRL);
    EXPECT_NE(GetAsyncKeyState('I') & 0x8000, 0);
    window.ReleaseKey(SDLK_i, KMOD_LCTRL);
    window.ReleaseKey(SDLK_LCTRL, KMOD_NONE);
    EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
    EXPECT_EQ(GetAsyncKeyState('I'), 0);

    window.MoveMouse(123, 456);
    EXPECT_EQ(GetCursorPos(), (Point{123, 456}));

    EXPECT_EQ(ShowCursor(false), -1);
    EXPECT_FALSE(window.IsCursorVisible());
    EXPECT_EQ(ShowCursor(true), 0);
    EXPECT_TRUE(window.IsCursorVisible());
    EXPECT_EQ(ShowCursor(true), 1);
}
