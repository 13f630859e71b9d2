// Entry point of the program: the application object, the game step and the
// message loop, and the release of everything once the window has closed.
#include <iterator>
#include <string>

#include "app/App.h"
#include "gui/IMDialogBase.h"
#include "gui/IMWindow.h"
#include "gui/MessageLoop.h"
#include "platform/MessageQueue.h"
#include "platform/WinCodes.h"

namespace {

// The end of the step. With no start screen and no results screen yet there
// is nothing to go on to, so the run ends as the results screen's Close
// would end it: the main window closes (on the next pass, not from inside
// the dialog's own close).
long EndOfStep(App& app, const IMEvent& event) {
    if (app.stepDialog == event.control)
        app.stepDialog = nullptr;
    platform::PostMessage(platform::WM_CLOSE, 0, 0);
    return 0;
}

// Opens the title's first step the way the shell's step sequence will: a
// full-screen dialog in the main window, focused, with the end of the step on
// its close, handed to the step's function.
void RunFirstStep(App& app) {
    const auto step = app.steps.find(app.currentStep);
    if (step == app.steps.end())
        return;
    auto* dialog = new IMDialogBase<IMEmptyView>(app.mainWindow, 0);
    app.stepDialog = dialog;
    dialog->SetFocus(true);
    dialog->OnClose.connect([&app](const IMEvent& event) { return EndOfStep(app, event); });
    auto next = std::next(step);
    app.currentStep = next == app.steps.end() ? std::wstring() : next->first;
    step->second(dialog);
}

} // namespace

int main() {
    App* app = App::GetApp(kWindowTitle, false);
    RunFirstStep(*app);
    RunMessageLoop(*app->mainWindow);
    App::ReleaseApp();
    return 0;
}
