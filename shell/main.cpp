// Entry point of the program: the application object, its start screen and the
// message loop, and the release of everything once the window has closed.
#include <cstdio>

#include "app/App.h"

int main() {
    App* app = App::GetApp(kWindowTitle, false);
    // The start screen and the message loop need the main window, which
    // OpenMainWindow does not create yet.
    if (app->mainWindow == nullptr)
        std::fputs("zeltarik: the game window is not built yet; nothing to show.\n", stderr);
    App::ReleaseApp();
    return 0;
}
