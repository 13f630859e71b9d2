// The program with its game screen first: the real application object, window and message
// loop, with the step sequence started where the start screen would stand. The launch benchmark
// measures the game with it while the real program's start screen cannot yet lead there.
#include "app/App.h"
#include "gui/MessageLoop.h"

int main() {
    App* app = App::GetApp(kWindowTitle, false);
    app->NextStep();
    RunMessageLoop(*app->mainWindow);
    App::ReleaseApp();
    return 0;
}
