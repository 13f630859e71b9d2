// The first step's dialog in the main window and the end of the run when it closes.
#include "app/FirstStep.h"

#include <iterator>

#include "gui/IMDialogBase.h"
#include "gui/IMWindow.h"
#include "platform/MessageQueue.h"
#include "platform/WinCodes.h"

namespace {

// With no results screen yet the run ends as the results screen's Close
// would end it. The close is posted rather than done here: this runs inside
// the dialog's own close, from a handler of one of its controls.
long EndOfStep(App& app, const IMEvent& event) {
    if (app.stepDialog == event.control)
        app.stepDialog = nullptr;
    platform::PostMessage(platform::WM_CLOSE, 0, 0);
    return 0;
}

} // namespace

IMDialogBase<IMEmptyView>* OpenFirstStep(App& app) {
    const auto step = app.steps.find(app.currentStep);
    if (step == app.steps.end() || app.mainWindow == nullptr)
        return nullptr;
    auto* dialog = new IMDialogBase<IMEmptyView>(app.mainWindow, 0);
    app.stepDialog = dialog;
    dialog->SetFocus(true);
    dialog->OnClose.connect([&app](const IMEvent& event) { return EndOfStep(app, event); });
    const auto next = std::next(step);
    app.currentStep = next == app.steps.end() ? std::wstring() : next->first;
    step->second(dialog);
    return dialog;
}
