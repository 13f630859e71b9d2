// The run's sequence: each registered step in its own full-screen dialog,
// the statistics rows around them, and the results screen at the end.
#include "shell/IMAppBase.h"

long IMAppBase::NextStep() {
    return 0;
}
