// Whether a dialog is still open. Handlers that can outlive the dialog they
// act on (the main window's key handlers, its timers, sound notifications
// handled a few passes later) ask a watch before they touch the dialog: a
// closed dialog is deleted at its parent's next tick, and its pointer then
// names nothing.
#pragma once

#include <boost/signals2/connection.hpp>

#include <memory>

#include "gui/IMDialogBase.h"

class DialogWatch {
public:
    using Dialog = IMControl::Dialog;

    DialogWatch() = default;
    // Watching begins before any close handler connected later runs: the
    // dialog counts as closed from the start of its close.
    explicit DialogWatch(Dialog* dialog) : dialog_(dialog), state_(std::make_shared<State>()) {
        state_->lifetime = dialog->LifetimeToken();
        dialog->OnClose.connect(
            [state = state_](const IMEvent&) {
                state->closed = true;
                return 0L;
            },
            boost::signals2::at_front);
    }

    bool IsOpen() const { return state_ && !state_->closed && !state_->lifetime.expired(); }
    // The dialog while it is open, else null.
    Dialog* Get() const { return IsOpen() ? dialog_ : nullptr; }
    bool Watches(const Dialog* dialog) const { return state_ && dialog_ == dialog; }

    // Closes the dialog if it is still open; true when it did.
    bool Close() const {
        Dialog* dialog = Get();
        if (!dialog)
            return false;
        dialog->Close(IMEvent(dialog, IMEventCode::Close));
        return true;
    }

private:
    struct State {
        std::weak_ptr<void> lifetime;
        bool closed = false;
    };
    Dialog* dialog_ = nullptr;
    std::shared_ptr<State> state_;
};
