// Entry point of the program: the application object, the game step and the
// message loop, and the release of everything once the window has closed.
#include "app/App.h"
#include "app/FirstStep.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"

int main() {
    App* app = App::GetApp(kWindowTitle, false);
    // The start screen and the instruction come with the shell's screens;
    // until then the run begins with the game itself.
    OpenFirstStep(*app);
    RunMessageLoop(*app->mainWindow);
    App::ReleaseApp();
    return 0;
}
