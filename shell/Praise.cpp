// The praise overlays: a cloud, a praise word and its animation.
#include "shell/IMAppBase.h"

int IMAppBase::ShowPraise(Dialog* dialogToClose) {
    return 0;
}

// Until the praise animation plays, the step ends at once, as it would when
// the praise has played.
int IMAppBase::ShowFinalPraise(int x, int y) {
    if (stepDialog)
        stepDialog->Close(IMEvent(stepDialog, IMEventCode::Close));
    return 0;
}
