// The step "Dialog1": the game screen, built in the step dialog the shell opens.
#include "app/App.h"

// The screen's controls (map, magnifier, arrows, bowls, ripple) come with the
// window's control templates. Until they exist the step builds nothing and the
// rules have no scene to act on.
int App::BuildGameScreen(IMDialogBase<IMEmptyView>* dialog) {
    return 0;
}
