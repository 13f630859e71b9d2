// The exit box on F12: Retry, Close and Cancel over a veil on every screen,
// and the restart behind Retry.
#include "shell/IMAppBase.h"

#include "gui/IMWindow.h"
#include "media/IMResourceManager.h"
#include "platform/window/Window.h"

namespace {

using platform::Rect;

constexpr uint32_t kF12Key = 123;
// Above every screen, below the credits.
constexpr int kExitBoxLayer = 1099;
// Darkens and blues everything under the box.
constexpr uint32_t kVeilColor = 0x4B000096;
constexpr int kBoxWidth = 136;
constexpr int kBoxHeight = 200;

// A one-pixel line of the skin's caret picture.
void AddFrameLine(IMControl::Dialog* box, const Rect& rect) {
    auto* line = box->CreatePicture(rect.left, rect.top, L"EditBarKaretka");
    line->SetRect(rect);
}

} // namespace

int IMAppBase::Restart() {
    CloseExitBox();
    if (!stepDialog)
        return 1;
    // Closing the step ends the run as its own end would: the closing rows
    // go to the report and the results screen opens. The start screen then
    // opens above it.
    Dialog* step = stepDialog;
    step->Close(IMEvent(step, IMEventCode::Close));
    currentStep = steps.empty() ? std::wstring() : steps.begin()->first;
    stepDialog = nullptr;
    ShowStartScreen();
    return 0;
}

int IMAppBase::HandleShellKey(const IMKeyboardEvent& event) {
    if (event.wParam == kF12Key)
        ShowExitBox();
    return 0;
}

void IMAppBase::ShowExitBox() {
    if (exitBox)
        return;
    platform::ShowCursor(true);
    const int width = Renderer->width;
    const int height = Renderer->height;
    exitBox = CreateDialog(mainWindow, 0, 0, width, height, kExitBoxLayer);
    // A click on the box must not take the keyboard from the screen beneath:
    // after Cancel the child goes on typing where the focus was.
    exitBox->SetFocusable(false);

    auto* veil = exitBox->CreatePicture(0, 0, L"EditBarKaretka", 0, kVeilColor);
    veil->SetRect(Rect{0, 0, width, height});
    veil->SetDirty(true);

    Dialog* box = CreateDialog(exitBox, 0, 0, kBoxWidth, kBoxHeight, 1);
    const int left = (width - kBoxWidth) / 2;
    const int top = (height - kBoxHeight) / 2;
    box->SetRect(Rect{left, top, left + kBoxWidth, top + kBoxHeight});
    // The box shows the middle of the background and clips the rest.
    box->CreatePicture(0, 0, L"DefaultBackGround")->SetRect(Rect{0, -100, kBoxWidth, 300});

    box->CreateButton(10, 20, L"RetryButton", L"RetryButton", L"RetryButtonNuv",
                      L"RetryButtonKlick")
        ->OnClick.connect([this](const IMMouseEvent&) { return long(Restart()); });
    box->CreateButton(10, 80, L"CloseButton", L"CloseButton", L"CloseButtonNuv",
                      L"CloseButtonKlick")
        ->OnClick.connect([this](const IMMouseEvent&) {
            return mainWindow->Close(IMEvent(mainWindow, IMEventCode::Close));
        });
    box->CreateButton(10, 140, L"CancelButton", L"CancelButton", L"CancelButtonNuv",
                      L"CancelButtonKlick")
        ->OnClick.connect([this](const IMMouseEvent&) {
            CloseExitBox();
            return 0L;
        });

    AddFrameLine(box, Rect{0, 0, 1, kBoxHeight});
    AddFrameLine(box, Rect{0, 0, kBoxWidth, 1});
    AddFrameLine(box, Rect{kBoxWidth - 1, 0, kBoxWidth, kBoxHeight});
    AddFrameLine(box, Rect{0, kBoxHeight - 1, kBoxWidth, kBoxHeight});
}

void IMAppBase::CloseExitBox() {
    if (!exitBox)
        return;
    Dialog* box = exitBox;
    exitBox = nullptr;
    box->Hide();
    box->Close(IMEvent(box, IMEventCode::Close));
}
