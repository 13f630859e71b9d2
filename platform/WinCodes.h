// The Windows numbers the program's contracts use: message codes, key-state flags,
// virtual-key codes and the packing of message parameters.
#pragma once

#include <cstdint>

namespace platform {

// Window messages.
inline constexpr uint32_t WM_NULL = 0;
inline constexpr uint32_t WM_DESTROY = 2;
inline constexpr uint32_t WM_SIZE = 5;
inline constexpr uint32_t WM_PAINT = 15;
inline constexpr uint32_t WM_CLOSE = 16;
inline constexpr uint32_t WM_QUIT = 18;
inline constexpr uint32_t WM_SHOWWINDOW = 24;
inline constexpr uint32_t WM_KEYDOWN = 256;
inline constexpr uint32_t WM_KEYUP = 257;
inline constexpr uint32_t WM_CHAR = 258;
inline constexpr uint32_t WM_SYSKEYDOWN = 260;
inline constexpr uint32_t WM_SYSKEYUP = 261;
inline constexpr uint32_t WM_MOUSEMOVE = 512;
inline constexpr uint32_t WM_LBUTTONDOWN = 513;
inline constexpr uint32_t WM_LBUTTONUP = 514;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 515;
inline constexpr uint32_t WM_RBUTTONDOWN = 516;
inline constexpr uint32_t WM_RBUTTONUP = 517;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 518;
inline constexpr uint32_t WM_MBUTTONDOWN = 519;
inline constexpr uint32_t WM_MBUTTONUP = 520;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 521;
inline constexpr uint32_t WM_MOUSEWHEEL = 522;
inline constexpr uint32_t WM_ENTERSIZEMOVE = 561;
inline constexpr uint32_t WM_EXITSIZEMOVE = 562;
inline constexpr uint32_t WM_MOUSELEAVE = 675;

// Registered messages are numbered from here, as RegisterWindowMessage does.
inline constexpr uint32_t WM_REGISTERED_FIRST = 0xC000;
inline constexpr uint32_t WM_REGISTERED_LAST = 0xFFFF;

// WM_SIZE parameters.
inline constexpr uint32_t SIZE_RESTORED = 0;
inline constexpr uint32_t SIZE_MINIMIZED = 1;

// Key-state flags in the low word of a mouse message's wParam.
inline constexpr uint32_t MK_LBUTTON = 0x0001;
inline constexpr uint32_t MK_RBUTTON = 0x0002;
inline constexpr uint32_t MK_SHIFT = 0x0004;
inline constexpr uint32_t MK_CONTROL = 0x0008;
inline constexpr uint32_t MK_MBUTTON = 0x0010;

// One notch of the wheel.
inline constexpr int WHEEL_DELTA = 120;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes.
inline constexpr uint32_t VK_BACK = 8;
inline constexpr uint32_t VK_TAB = 9;
inline constexpr uint32_t VK_RETURN = 13;
inline constexpr uint32_t VK_SHIFT = 16;
inline constexpr uint32_t VK_CONTROL = 17;
inline constexpr uint32_t VK_MENU = 18;
inline constexpr uint32_t VK_ESCAPE = 27;
inline constexpr uint32_t VK_SPACE = 32;
inline constexpr uint32_t VK_PRIOR = 33;
inline constexpr uint32_t VK_NEXT = 34;
inline constexpr uint32_t VK_END = 35;
inline constexpr uint32_t VK_HOME = 36;
inline constexpr uint32_t VK_LEFT = 37;
inline constexpr uint32_t VK_UP = 38;
inline constexpr uint32_t VK_RIGHT = 39;
inline constexpr uint32_t VK_DOWN = 40;
inline constexpr uint32_t VK_INSERT = 45;
inline constexpr uint32_t VK_DELETE = 46;
inline constexpr uint32_t VK_F1 = 112;
inline constexpr uint32_t VK_F12 = 123;

// Parameter packing.
constexpr uint16_t LoWord(uint32_t value) { return static_cast<uint16_t>(value & 0xFFFF); }
constexpr uint16_t HiWord(uint32_t value) { return static_cast<uint16_t>(value >> 16); }
// The wheel delta travels signed in the high word of wParam.
constexpr int16_t WheelDelta(uint32_t wParam) { return static_cast<int16_t>(HiWord(wParam)); }
// Pointer positions travel as sign-extended words of lParam.
constexpr int XFromLParam(int32_t lParam) {
    return static_cast<int16_t>(LoWord(static_cast<uint32_t>(lParam)));
}
constexpr int YFromLParam(int32_t lParam) {
    return static_cast<int16_t>(HiWord(static_cast<uint32_t>(lParam)));
}
constexpr uint32_t MakeWParam(uint16_t low, uint16_t high) {
    return static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16);
}
constexpr int32_t MakeLParam(int x, int y) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint16_t>(x))) |
                                (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16));
}

} // namespace platform
