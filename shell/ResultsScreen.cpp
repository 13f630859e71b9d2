// The results screen after the last step: what was done, Print, Save As,
// Retry, Close.
#include "shell/IMAppBase.h"

int IMAppBase::ShowResultsScreen() {
    return 0;
}
