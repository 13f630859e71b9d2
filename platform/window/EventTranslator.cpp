// SDL events in, Win32 messages out: buttons and double-clicks, the wheel in
// notches of 120, keys as virtual-key codes, typed text and the control
// characters Windows derives from keys, and the window's own notifications.
#include "platform/window/EventTranslator.h"

#include "platform/TextCodec.h"
#include "platform/WinCodes.h"
#include "platform/window/Window.h"
#include "platform/window/WindowBackend.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform {
namespace {

constexpr uint32_t VK_PAUSE = 0x13;
constexpr uint32_t VK_CAPITAL = 0x14;
constexpr uint32_t VK_SNAPSHOT = 0x2C;
constexpr uint32_t VK_LWIN = 0x5B;
constexpr uint32_t VK_RWIN = 0x5C;
constexpr uint32_t VK_APPS = 0x5D;
constexpr uint32_t VK_NUMPAD0 = 0x60;
constexpr uint32_t VK_MULTIPLY = 0x6A;
constexpr uint32_t VK_ADD = 0x6B;
constexpr uint32_t VK_SUBTRACT = 0x6D;
constexpr uint32_t VK_DECIMAL = 0x6E;
constexpr uint32_t VK_DIVIDE = 0x6F;
constexpr uint32_t VK_F10 = 0x79;
constexpr uint32_t VK_NUMLOCK = 0x90;
constexpr uint32_t VK_SCROLL = 0x91;

// Key data in lParam of key messages: repeat count 1, the extended-key bit,
// the context bit (Alt held), the previous-state bit and the transition bit.
// The hardware scan code (bits 16–23) is left 0: nothing in the program
// reads it, and SDL's scan codes are not the PC's.
constexpr uint32_t kExtendedKey = 1u << 24;
constexpr uint32_t kContextAlt = 1u << 29;
constexpr uint32_t kWasDown = 1u << 30;
constexpr uint32_t kReleased = 1u << 31;

bool IsExtendedKey(uint32_t vk, SDL_Scancode scancode) {
    switch (vk) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_INSERT:
    case VK_DELETE:
    case VK_DIVIDE:
    case VK_NUMLOCK:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_SNAPSHOT:
        return true;
    default:
        break;
    }
    return scancode == SDL_SCANCODE_RCTRL || scancode == SDL_SCANCODE_RALT ||
           scancode == SDL_SCANCODE_KP_ENTER;
}

// The key's position for an event that names only its key code (the headless
// twin's, built by hand): the US layout's, as SDL's default key map has it.
SDL_Scancode ScancodeOfKey(SDL_Keycode code) {
    if (code & SDLK_SCANCODE_MASK)
        return static_cast<SDL_Scancode>(code & ~SDLK_SCANCODE_MASK);
    if (code >= SDLK_a && code <= SDLK_z)
        return static_cast<SDL_Scancode>(SDL_SCANCODE_A + (code - SDLK_a));
    if (code >= SDLK_1 && code <= SDLK_9)
        return static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (code - SDLK_1));
    switch (code) {
    case SDLK_0:
        return SDL_SCANCODE_0;
    case SDLK_BACKSPACE:
        return SDL_SCANCODE_BACKSPACE;
    case SDLK_TAB:
        return SDL_SCANCODE_TAB;
    case SDLK_RETURN:
        return SDL_SCANCODE_RETURN;
    case SDLK_ESCAPE:
        return SDL_SCANCODE_ESCAPE;
    case SDLK_SPACE:
        return SDL_SCANCODE_SPACE;
    case SDLK_DELETE:
        return SDL_SCANCODE_DELETE;
    case SDLK_SEMICOLON:
        return SDL_SCANCODE_SEMICOLON;
    case SDLK_EQUALS:
        return SDL_SCANCODE_EQUALS;
    case SDLK_COMMA:
        return SDL_SCANCODE_COMMA;
    case SDLK_MINUS:
        return SDL_SCANCODE_MINUS;
    case SDLK_PERIOD:
        return SDL_SCANCODE_PERIOD;
    case SDLK_SLASH:
        return SDL_SCANCODE_SLASH;
    case SDLK_BACKQUOTE:
        return SDL_SCANCODE_GRAVE;
    case SDLK_LEFTBRACKET:
        return SDL_SCANCODE_LEFTBRACKET;
    case SDLK_BACKSLASH:
        return SDL_SCANCODE_BACKSLASH;
    case SDLK_RIGHTBRACKET:
        return SDL_SCANCODE_RIGHTBRACKET;
    case SDLK_QUOTE:
        return SDL_SCANCODE_APOSTROPHE;
    default:
        return SDL_SCANCODE_UNKNOWN;
    }
}

bool InScene(int x, int y) {
    return x >= 0 && x < kSceneWidth && y >= 0 && y < kSceneHeight;
}

Message Make(uint32_t message, uint32_t wParam, int32_t lParam) {
    return Message{message, wParam, lParam};
}

} // namespace

uint32_t EventTranslator::VirtualKey(const SDL_Keysym& key) {
    const SDL_Keycode code = key.sym;
    // Letters follow the layout when it is Latin, as Windows' codes do.
    if (code >= SDLK_a && code <= SDLK_z)
        return static_cast<uint32_t>('A' + (code - SDLK_a));
    // Under a Cyrillic layout SDL reports the Cyrillic letter; Windows still
    // gives the Latin code of the key's position. The digit row is '0' … '9'
    // by position under every layout.
    const SDL_Scancode sc =
        key.scancode != SDL_SCANCODE_UNKNOWN ? key.scancode : ScancodeOfKey(code);
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z)
        return static_cast<uint32_t>('A' + (sc - SDL_SCANCODE_A));
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9)
        return static_cast<uint32_t>('1' + (sc - SDL_SCANCODE_1));
    if (sc == SDL_SCANCODE_0)
        return '0';
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12)
        return VK_F1 + static_cast<uint32_t>(sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9)
        return VK_NUMPAD0 + 1 + static_cast<uint32_t>(sc - SDL_SCANCODE_KP_1);

    switch (sc) {
    case SDL_SCANCODE_BACKSPACE:
        return VK_BACK;
    case SDL_SCANCODE_TAB:
        return VK_TAB;
    case SDL_SCANCODE_RETURN:
    case SDL_SCANCODE_KP_ENTER:
    case SDL_SCANCODE_RETURN2:
        return VK_RETURN;
    case SDL_SCANCODE_LSHIFT:
    case SDL_SCANCODE_RSHIFT:
        return VK_SHIFT;
    case SDL_SCANCODE_LCTRL:
    case SDL_SCANCODE_RCTRL:
        return VK_CONTROL;
    case SDL_SCANCODE_LALT:
    case SDL_SCANCODE_RALT:
        return VK_MENU;
    case SDL_SCANCODE_PAUSE:
        return VK_PAUSE;
    case SDL_SCANCODE_CAPSLOCK:
        return VK_CAPITAL;
    case SDL_SCANCODE_ESCAPE:
        return VK_ESCAPE;
    case SDL_SCANCODE_SPACE:
        return VK_SPACE;
    case SDL_SCANCODE_PAGEUP:
        return VK_PRIOR;
    case SDL_SCANCODE_PAGEDOWN:
        return VK_NEXT;
    case SDL_SCANCODE_END:
        return VK_END;
    case SDL_SCANCODE_HOME:
        return VK_HOME;
    case SDL_SCANCODE_LEFT:
        return VK_LEFT;
    case SDL_SCANCODE_UP:
        return VK_UP;
    case SDL_SCANCODE_RIGHT:
        return VK_RIGHT;
    case SDL_SCANCODE_DOWN:
        return VK_DOWN;
    case SDL_SCANCODE_PRINTSCREEN:
        return VK_SNAPSHOT;
    case SDL_SCANCODE_INSERT:
        return VK_INSERT;
    case SDL_SCANCODE_DELETE:
        return VK_DELETE;
    case SDL_SCANCODE_LGUI:
        return VK_LWIN;
    case SDL_SCANCODE_RGUI:
        return VK_RWIN;
    case SDL_SCANCODE_APPLICATION:
        return VK_APPS;
    case SDL_SCANCODE_KP_0:
        return VK_NUMPAD0;
    case SDL_SCANCODE_KP_MULTIPLY:
        return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS:
        return VK_ADD;
    case SDL_SCANCODE_KP_MINUS:
        return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PERIOD:
        return VK_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE:
        return VK_DIVIDE;
    case SDL_SCANCODE_NUMLOCKCLEAR:
        return VK_NUMLOCK;
    case SDL_SCANCODE_SCROLLLOCK:
        return VK_SCROLL;
    // The punctuation keys by position, as a Windows Cyrillic layout keeps them.
    case SDL_SCANCODE_SEMICOLON:
        return 0xBA;
    case SDL_SCANCODE_EQUALS:
        return 0xBB;
    case SDL_SCANCODE_COMMA:
        return 0xBC;
    case SDL_SCANCODE_MINUS:
        return 0xBD;
    case SDL_SCANCODE_PERIOD:
        return 0xBE;
    case SDL_SCANCODE_SLASH:
        return 0xBF;
    case SDL_SCANCODE_GRAVE:
        return 0xC0;
    case SDL_SCANCODE_LEFTBRACKET:
        return 0xDB;
    case SDL_SCANCODE_BACKSLASH:
        return 0xDC;
    case SDL_SCANCODE_RIGHTBRACKET:
        return 0xDD;
    case SDL_SCANCODE_APOSTROPHE:
        return 0xDE;
    case SDL_SCANCODE_NONUSBACKSLASH:
        return 0xE2;
    default:
        return 0;
    }
}

bool EventTranslator::IsKeyDown(uint32_t virtualKey) const {
    switch (virtualKey) {
    case VK_SHIFT:
        return (modifiers & KMOD_SHIFT) != 0;
    case VK_CONTROL:
        return (modifiers & KMOD_CTRL) != 0;
    case VK_MENU:
        return (modifiers & KMOD_ALT) != 0;
    default:
        return virtualKey < keysDown.size() && keysDown[virtualKey];
    }
}

uint32_t EventTranslator::KeyStateFlags() const {
    uint32_t flags = buttons;
    if (modifiers & KMOD_SHIFT)
        flags |= MK_SHIFT;
    if (modifiers & KMOD_CTRL)
        flags |= MK_CONTROL;
    return flags;
}

void EventTranslator::Translate(const SDL_Event& event, std::vector<Message>& out) {
    switch (event.type) {
    case SDL_MOUSEMOTION:
        lastPointer = {event.motion.x, event.motion.y};
        out.push_back(
            Make(WM_MOUSEMOVE, KeyStateFlags(), MakeLParam(lastPointer.x, lastPointer.y)));
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        TranslateButton(event.button, out);
        break;
    case SDL_MOUSEWHEEL:
        TranslateWheel(event.wheel, out);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        TranslateKey(event.key, out);
        break;
    case SDL_TEXTINPUT:
        TranslateText(event.text, out);
        break;
    case SDL_WINDOWEVENT:
        TranslateWindowEvent(event.window, out);
        break;
    case SDL_QUIT:
        out.push_back(Make(WM_CLOSE, 0, 0));
        break;
    case SDL_RENDER_DEVICE_RESET:
    case SDL_RENDER_TARGETS_RESET:
        // The textures are gone: the graphics layer learns it first, and the
        // WM_PAINT that follows makes the window re-create the device and
        // redraw everything, as after a lost Direct3D device.
        NotifyDeviceReset();
        out.push_back(Make(WM_PAINT, 0, 0));
        break;
    default:
        break;
    }
}

void EventTranslator::TranslateButton(const SDL_MouseButtonEvent& event,
                                      std::vector<Message>& out) {
    uint32_t flag = 0;
    uint32_t down = 0, up = 0, doubleClick = 0;
    switch (event.button) {
    case SDL_BUTTON_LEFT:
        flag = MK_LBUTTON, down = WM_LBUTTONDOWN, up = WM_LBUTTONUP, doubleClick = WM_LBUTTONDBLCLK;
        break;
    case SDL_BUTTON_RIGHT:
        flag = MK_RBUTTON, down = WM_RBUTTONDOWN, up = WM_RBUTTONUP, doubleClick = WM_RBUTTONDBLCLK;
        break;
    case SDL_BUTTON_MIDDLE:
        flag = MK_MBUTTON, down = WM_MBUTTONDOWN, up = WM_MBUTTONUP, doubleClick = WM_MBUTTONDBLCLK;
        break;
    default:
        return; // side buttons have no message here
    }
    const bool pressed = event.type == SDL_MOUSEBUTTONDOWN;
    if (pressed)
        buttons |= flag;
    else
        buttons &= ~flag;
    lastPointer = {event.x, event.y};
    // A press or release in the letterbox around the scene is not a click on
    // anything; the button state above still follows it.
    if (!InScene(event.x, event.y))
        return;
    // Windows turns every second press of a quick series into a double-click
    // (down, double-click, down, double-click …); SDL counts the presses.
    uint32_t message = up;
    if (pressed)
        message = (event.clicks >= 2 && event.clicks % 2 == 0) ? doubleClick : down;
    out.push_back(Make(message, KeyStateFlags(), MakeLParam(event.x, event.y)));
}

void EventTranslator::TranslateWheel(const SDL_MouseWheelEvent& event, std::vector<Message>& out) {
    float amount = event.preciseY != 0.0f ? event.preciseY : static_cast<float>(event.y);
    if (event.direction == SDL_MOUSEWHEEL_FLIPPED)
        amount = -amount;
    if (!std::isfinite(amount) || amount == 0.0f)
        return;
    // A reversal starts afresh: a half notch up must not eat into the next
    // turn down.
    if ((amount > 0) != (wheelRemainder > 0))
        wheelRemainder = 0.0f;
    wheelRemainder += amount;
    // A tiny allowance, so that ten reports of 0.1 still make one notch.
    constexpr float kAllowance = 1e-3f;
    int notches =
        static_cast<int>(wheelRemainder + (wheelRemainder > 0 ? kAllowance : -kAllowance));
    wheelRemainder -= static_cast<float>(notches);
    if (std::fabs(wheelRemainder) < kAllowance)
        wheelRemainder = 0.0f;
    // One message per notch, as a Windows wheel sends them; a runaway report
    // is not allowed to flood the queue.
    constexpr int kMostNotchesPerReport = 32;
    notches = std::clamp(notches, -kMostNotchesPerReport, kMostNotchesPerReport);
    const int16_t delta = notches > 0 ? WHEEL_DELTA : -WHEEL_DELTA;
    const uint32_t wParam =
        MakeWParam(static_cast<uint16_t>(KeyStateFlags()), static_cast<uint16_t>(delta));
    for (int i = 0; i < std::abs(notches); ++i)
        out.push_back(Make(WM_MOUSEWHEEL, wParam, MakeLParam(lastPointer.x, lastPointer.y)));
}

void EventTranslator::TranslateKey(const SDL_KeyboardEvent& event, std::vector<Message>& out) {
    const bool altBefore = (modifiers & KMOD_ALT) != 0;
    modifiers = event.keysym.mod;
    const uint32_t vk = VirtualKey(event.keysym);
    if (vk == 0)
        return;
    const bool alt = (modifiers & KMOD_ALT) != 0;
    const bool ctrl = (modifiers & KMOD_CTRL) != 0;
    uint32_t data = 1;
    if (IsExtendedKey(vk, event.keysym.scancode))
        data |= kExtendedKey;
    if (alt)
        data |= kContextAlt;

    if (event.type == SDL_KEYUP) {
        keysDown[vk] = false;
        // Windows sends key messages as "system" keys while Alt is held
        // without Ctrl (Ctrl + Alt is AltGr), and for F10 and Alt itself.
        const bool system = ((altBefore || alt) && !ctrl) || vk == VK_F10 || vk == VK_MENU;
        out.push_back(Make(system ? WM_SYSKEYUP : WM_KEYUP, vk,
                           static_cast<int32_t>(data | kWasDown | kReleased)));
        return;
    }

    if (keysDown[vk] || event.repeat)
        data |= kWasDown;
    keysDown[vk] = true;
    const bool system = (alt && !ctrl) || vk == VK_F10;
    out.push_back(Make(system ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, static_cast<int32_t>(data)));
    if (system)
        return;

    // The characters Windows makes from keys that type no text. Under SDL
    // these keys produce no text input, so they are made here.
    uint32_t character = 0;
    switch (vk) {
    case VK_BACK:
        character = ctrl ? 127 : 8;
        break;
    case VK_TAB:
        character = ctrl ? 0 : 9;
        break;
    case VK_RETURN:
        character = ctrl ? 10 : 13;
        break;
    case VK_ESCAPE:
        character = 27;
        break;
    default:
        if (ctrl && !alt && vk >= 'A' && vk <= 'Z')
            character = vk - 'A' + 1; // Ctrl+A is 1 … Ctrl+Z is 26
        break;
    }
    if (character != 0)
        out.push_back(Make(WM_CHAR, character, static_cast<int32_t>(data)));
}

void EventTranslator::TranslateText(const SDL_TextInputEvent& event, std::vector<Message>& out) {
    // Alt + letter is a menu key on Windows (WM_SYSCHAR), not typed text.
    if ((modifiers & KMOD_LALT) && !(modifiers & KMOD_CTRL))
        return;
    const std::wstring text = Utf8ToWide(event.text);
    for (wchar_t unit : text) {
        // Control characters come from the key events above.
        if (unit < 32 || unit == 127)
            continue;
        out.push_back(Make(WM_CHAR, static_cast<uint32_t>(unit) & 0xFFFF, 1));
    }
}

void EventTranslator::TranslateWindowEvent(const SDL_WindowEvent& event,
                                           std::vector<Message>& out) {
    const int32_t sceneSize = MakeLParam(kSceneWidth, kSceneHeight);
    switch (event.event) {
    case SDL_WINDOWEVENT_EXPOSED:
        out.push_back(Make(WM_PAINT, 0, 0));
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        out.push_back(Make(WM_SIZE, SIZE_MINIMIZED, 0));
        break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
        out.push_back(Make(WM_SIZE, SIZE_RESTORED, sceneSize));
        break;
    case SDL_WINDOWEVENT_HIDDEN:
        out.push_back(Make(WM_SHOWWINDOW, 0, 0));
        break;
    case SDL_WINDOWEVENT_SHOWN:
        out.push_back(Make(WM_SHOWWINDOW, 1, 0));
        break;
    case SDL_WINDOWEVENT_CLOSE:
        out.push_back(Make(WM_CLOSE, 0, 0));
        break;
    default:
        break;
    }
}

} // namespace platform
