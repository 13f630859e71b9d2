// A picture view with one picture per button state.
#pragma once

#include "gui/IMTextureView.h"

#include <map>
#include <string>

class IMStateView : public IMTextureView {
public:
    enum State { Normal = 0, Disabled = 1, Over = 3, Pressed = 4 };

    // An empty name for disabled, over or pressed shows the normal picture in
    // that state. Shows the picture of the current state.
    void SetStates(const std::wstring& normal, const std::wstring& disabledPicture,
                   const std::wstring& over, const std::wstring& pressedPicture);

    int currentState = Normal;
    std::map<int, std::wstring> states;
};
