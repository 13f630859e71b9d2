// Entry point of the program: the application object, the start screen and
// the message loop, and the release of everything once the window has closed.
#include "app/App.h"
#include "gui/MessageLoop.h"

int main() {
    App* app = App::GetApp(kWindowTitle, false);
    app->ShowStartScreen();
    RunMessageLoop(*app->mainWindow);
    App::ReleaseApp();
    return 0;
}
