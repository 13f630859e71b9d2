// The event records that travel through the control tree, and the framework's
// own event codes beside the Win32 message numbers (platform/WinCodes.h).
#pragma once

#include "platform/WinCodes.h"

#include <cstdint>
#include <string>

class IMControl;

// Codes of the framework's own events. Input events carry their Win32
// message number as their code.
namespace IMEventCode {
// A state change (Disable, Enable, Hide, Show, SetDirty), a timer tick, an
// animation notification.
inline constexpr int State = 0;
inline constexpr int Draw = 15;
// The update tick, and the close request (the same number).
inline constexpr int Update = 16;
inline constexpr int Close = 16;
inline constexpr int Focus = 17;
inline constexpr int KillFocus = 18;
inline constexpr int MouseEnter = 523;
inline constexpr int LeftClick = 524;
inline constexpr int RightClick = 525;
inline constexpr int MiddleClick = 526;
// The number of WM_MOUSELEAVE.
inline constexpr int MouseLeave = 675;
} // namespace IMEventCode

// Records are built on the stack and passed by constant reference; a handler
// that needs one later copies it. They own nothing.
struct IMEvent {
    IMControl* control = nullptr;
    int code = 0;

    IMEvent(IMControl* source, int eventCode) : control(source), code(eventCode) {}
    IMEvent(const IMEvent&) = default;
    IMEvent& operator=(const IMEvent&) = default;
    virtual ~IMEvent() = default;

    virtual bool Is(int eventCode) const { return code == eventCode; }
};

struct IMWindowsEvent : IMEvent {
    uint32_t wParam = 0;
    int32_t lParam = 0;

    IMWindowsEvent(IMControl* source, int eventCode, uint32_t w, int32_t l)
        : IMEvent(source, eventCode), wParam(w), lParam(l) {}
};

// code: the keyboard message; wParam: the virtual key (or the character of
// WM_CHAR); lParam: the Win32 key data.
struct IMKeyboardEvent : IMWindowsEvent {
    IMKeyboardEvent(IMControl* source, int eventCode, uint32_t w, int32_t l)
        : IMWindowsEvent(source, eventCode, w, l) {}

    // The same test as Is; the framework calls this one on keyboard events.
    virtual bool IsMessage(int eventCode) const { return code == eventCode; }

    // For WM_CHAR of a printable character, that character; otherwise empty
    // (Backspace, Tab, line feed, Enter and Esc type nothing).
    std::wstring GetText() const;
};

// x, y: the position in the coordinate system of the receiving control's
// parent; wParam: the MK_* key-state flags (and the wheel delta in the high
// word of WM_MOUSEWHEEL); lParam is always 0.
struct IMMouseEvent : IMWindowsEvent {
    int x = 0;
    int y = 0;

    IMMouseEvent(IMControl* source, int eventCode, uint32_t w, int px, int py)
        : IMWindowsEvent(source, eventCode, w, 0), x(px), y(py) {}

    // The same test as Is; the framework calls this one on mouse events.
    virtual bool IsMessage(int eventCode) const { return code == eventCode; }
};
