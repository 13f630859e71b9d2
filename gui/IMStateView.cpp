// The state pictures of a button view.
#include "gui/IMStateView.h"

void IMStateView::SetStates(const std::wstring& normal, const std::wstring& disabledPicture,
                            const std::wstring& over, const std::wstring& pressedPicture) {
    auto orNormal = [&normal](const std::wstring& name) { return name.empty() ? normal : name; };
    states[Normal] = normal;
    states[Disabled] = orNormal(disabledPicture);
    states[Over] = orNormal(over);
    states[Pressed] = orNormal(pressedPicture);
    SetTexture(states[currentState]);
}
