// The start screen: the title's number, name and description, the student's
// name, the global keys, Start and Exit.
#include "shell/IMAppBase.h"

#include <algorithm>

#include "gui/IMEditBar.h"
#include "gui/IMScroll.h"
#include "gui/IMWindow.h"
#include "shell/ScreenParts.h"
#include "shell/report/KeptRows.h"

namespace {

using platform::Rect;

// The description panel: the text scrolls inside a clipping frame of this
// size, at this place.
constexpr Rect kDescriptionFrame{119, 187, 119 + 593, 187 + 236};
// The text's own rectangle before it is laid out; word wrap breaks lines at
// its width.
constexpr Rect kDescriptionText{0, 0, 593, 415};
// The height given to the text's panel when the description is empty.
constexpr int kEmptyDescriptionHeight = 235;
constexpr Rect kDescriptionScroll{712, 187, 726, 427};
constexpr Rect kNameField{135, 460, 135 + 520, 460 + 20};
constexpr uint32_t kEnterKey = 13;
// The line about rows that a save could not write: under the keys, where the
// screen has nothing else, wrapped onto a second line when the path is long.
constexpr Rect kKeptRowsNotice{30, 556, 770, 598};

} // namespace

int IMAppBase::ShowStartScreen() {
    auto* screen = new Dialog(mainWindow, 0);
    const int width = screen->GetWidth();

    AddBackground(screen);
    CentreHorizontally(AddLabel(screen, 0, 10, L"информационный источник сложной структуры", 14),
                       width);
    CentreHorizontally(AddLabel(screen, 0, 35, L"Марведа", 18, TextWeight::Bold), width);

    AddLabel(screen, 30, 115, L"Номер ЦОР:", 18, TextWeight::Bold);
    AddLabel(screen, 135, 115, resourceNumber, 18);
    AddLabel(screen, 30, 152, L"Название:", 18, TextWeight::Bold);
    AddLabel(screen, 135, 152, resourceName, 18);
    AddLabel(screen, 30, 188, L"Описание:", 18, TextWeight::Bold);

    // The description lies in a panel inside a clipping frame; the scroll bar
    // moves the panel up inside the frame.
    Dialog* frame = CreateDialog(screen, kDescriptionFrame.left, kDescriptionFrame.top,
                                 kDescriptionFrame.Width(), kDescriptionFrame.Height());
    Dialog* panel = CreateDialog(frame, 0, 0, kDescriptionFrame.Width(), kDescriptionText.Height());
    auto* description = new ScreenLabel(panel, 0);
    description->SetFormat(kScreenTextColor, {}, false, {}, 18);
    description->multiline = true;
    description->SetRect(kDescriptionText);
    description->SetText(resourceDescription);
    const Rect extent = description->GetSourceRect();
    int textHeight = extent.bottom - extent.top;
    if (textHeight == 0)
        textHeight = kEmptyDescriptionHeight;
    panel->SetRect(Rect{0, 0, kDescriptionFrame.Width(), textHeight});
    // A description taller than the text's first rectangle would be cut off
    // at its bottom edge (a text draws only inside its own rectangle), so the
    // text grows with it.
    if (textHeight > kDescriptionText.Height())
        description->SetRect(Rect{0, 0, kDescriptionText.Width(), textHeight});

    auto* scroll = new IMScroll(screen, kDescriptionScroll);
    if (textHeight <= frame->GetHeight())
        scroll->Hide();
    // The range is the text's height, the page what the frame shows of it.
    scroll->maxValue = panel->GetHeight();
    scroll->minValue = 0;
    scroll->pos = std::max(std::min(scroll->pos, scroll->maxValue - scroll->page), 0);
    scroll->Relayout();
    scroll->page = frame->GetHeight();
    scroll->pos = std::min(scroll->pos, scroll->maxValue - scroll->page);
    scroll->Relayout();
    scroll->OnScroll.connect(
        IMScroll::ScrollSignal::slot_type([panel](const IMEvent&, int position) {
            Rect moved = panel->GetRect();
            moved.top = -position;
            panel->SetRect(moved);
            return 0L;
        }).track_foreign(panel->LifetimeToken()));

    AddLabel(screen, 30, 460, L"Ученик:", 18, TextWeight::Bold);
    auto* nameField = new IMEditBar(screen);
    nameField->SetRect(kNameField);
    nameField->SetFocus(true);

    // Start reads the name afresh for each of its steps: the report for the
    // name, the name itself, the instruction, and the screen goes.
    auto* start = screen->CreateButton(690, 450, L"StartPopStartButton", L"StartPopStartButton",
                                       L"StartPopStartButtonNuv", L"StartPopStartButtonKlick");
    start->OnClick.connect([this, nameField](const IMMouseEvent&) {
        PrepareReport(nameField->GetText());
        return 0L;
    });
    start->OnClick.connect([this, nameField](const IMMouseEvent&) {
        SetStudentName(nameField->GetText());
        return 0L;
    });
    start->OnClick.connect([this](const IMMouseEvent&) {
        BeginInstruction();
        return 0L;
    });
    start->OnClick.connect([screen](const IMMouseEvent&) {
        return screen->Close(IMEvent(screen, IMEventCode::Close));
    });

    auto* exit = screen->CreateButton(755, 22, L"ExitButton", L"", L"", L"");
    exit->OnClick.connect([this](const IMMouseEvent&) {
        return mainWindow->Close(IMEvent(mainWindow, IMEventCode::Close));
    });
    // Enter does what Start does. The screen closes at the first message of
    // the key, so its character and its release find no handler here.
    screen->OnKey.connect([this, screen, nameField](const IMKeyboardEvent& event) {
        if (event.wParam != kEnterKey)
            return 0L;
        PrepareReport(nameField->GetText());
        SetStudentName(nameField->GetText());
        BeginInstruction();
        return screen->Close(IMEvent(screen, IMEventCode::Close));
    });

    AddLabel(screen, 30, 520, L"Клавиши:", 18, TextWeight::Bold);
    screen->CreatePicture(135, 517, L"EscButton");
    AddLabel(screen, 180, 520, L"- пропустить инструкцию;", 16);
    screen->CreatePicture(350, 517, L"F1Button");
    AddLabel(screen, 395, 520, L"- повторить инструкцию;", 16);
    screen->CreatePicture(555, 517, L"F12Button");
    AddLabel(screen, 600, 520, L"- выход", 16);

    // Until the next save takes them in, the teacher learns where the rows of
    // a run that could not be saved are.
    if (const std::vector<KeptRows> kept = FindKeptRows(windowTitle); !kept.empty()) {
        std::wstring text = KeptRowsNotice(kept.front());
        if (kept.size() > 1)
            text += L" (и ещё файлов: " + std::to_wstring(kept.size() - 1) + L")";
        auto* notice = new ScreenLabel(screen, 0);
        notice->SetFormat(kScreenWarningColor, {}, false, {}, 14);
        notice->multiline = true;
        notice->SetRect(kKeptRowsNotice);
        notice->SetText(text);
    }

    if (optionsHandler) {
        auto* options = screen->CreateButton(665, 510, L"OptionsButton", L"OptionsButton",
                                             L"OptionsButtonNuv", L"OptionsButtonKlick");
        options->OnClick.connect([handler = optionsHandler](const IMMouseEvent&) {
            handler();
            return 0L;
        });
    }
    return 0;
}
