// The one operation of the event records that is more than a field test.
#include "gui/IMEvent.h"

std::wstring IMKeyboardEvent::GetText() const {
    if (!IsMessage(static_cast<int>(platform::WM_CHAR)))
        return {};
    switch (wParam) {
    case 8:
    case 9:
    case 10:
    case 13:
    case 27:
        return {};
    default:
        return std::wstring(1, static_cast<wchar_t>(wParam & 0xFFFF));
    }
}
