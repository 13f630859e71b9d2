// The credits on Ctrl+I, above every screen.
#include "shell/IMAppBase.h"

long IMAppBase::ShowCredits(const IMKeyboardEvent& event) {
    return 0;
}
