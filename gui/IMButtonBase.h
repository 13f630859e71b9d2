// A button: a state view whose picture follows the pointer, the pressed flag
// and the enabled flag (normal, pointer over, pressed, disabled).
#pragma once

#include "gui/IMStateView.h"
#include "gui/IMViewControl.h"

template <class View> class IMButtonBase : public IMViewControl<View> {
public:
    using Dialog = IMControl::Dialog;

    IMButtonBase(Dialog* parentDialog, int layer) : IMViewControl<View>(parentDialog, layer) {
        // Connected first, so the picture has changed when the screens'
        // handlers of the same signals run.
        auto onMouse = [this](const IMMouseEvent&) { return UpdateState(); };
        auto onState = [this](const IMEvent&) { return UpdateState(); };
        this->OnMouseButton.connect(onMouse);
        this->OnMouseEnter.connect(onMouse);
        this->OnMouseLeave.connect(onMouse);
        this->OnDisable.connect(onState);
        this->OnEnable.connect(onState);
        this->OnHide.connect(onState);
        this->OnShow.connect(onState);
    }

    // Picks the state from the flags and shows its picture when it changed.
    // A hidden button keeps its state.
    virtual long UpdateState() {
        if (this->IsHidden())
            return 0;
        int state = IMStateView::Normal;
        if (!this->IsEnabled())
            state = IMStateView::Disabled;
        else if (this->IsMouseOver() && this->IsPressed())
            state = IMStateView::Pressed;
        else if (this->IsMouseOver())
            state = IMStateView::Over;
        if (state != this->currentState) {
            if (auto picture = this->states.find(state); picture != this->states.end())
                this->SetTexture(picture->second);
            this->currentState = state;
        }
        return 0;
    }

    // OnDisable and OnEnable fire before the flag changes, so the state is
    // taken again afterwards.
    long Disable() override {
        IMViewControl<View>::Disable();
        UpdateState();
        return 0;
    }
    long Enable() override {
        IMViewControl<View>::Enable();
        UpdateState();
        return 0;
    }
    // OnShow fires while the button is still hidden, when the state cannot
    // change; a button shown again must not keep the picture it had when it
    // was hidden (the pointer has usually moved since).
    long Show() override {
        IMViewControl<View>::Show();
        UpdateState();
        return 0;
    }
};
