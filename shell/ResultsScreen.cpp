// The results screen after the last step: what was done, Print, Save As,
// Retry, Close.
#include "shell/IMAppBase.h"

#include "gui/IMWindow.h"
#include "media/IMResourceManager.h"
#include "shell/ReportDialogs_c.h"
#include "shell/report/ReportDocument.h"
#include "shell/report/ReportOperations.h"

namespace {

using Label = IMStaticPictureBase<IMTextView>;
using Button = IMButtonBase<IMStateView>;

constexpr uint32_t kTextColor = 0xFF072134;
constexpr uint32_t kDisabledTint = 0xFF808080;
constexpr uint32_t kWarningColor = 0xFFA00000;

// A label sized to its text: the style is set before the text, so the size is
// that of the final font.
Label* AddText(IMControl::Dialog* screen, int x, int y, const std::wstring& text, int size,
               bool bold, uint32_t color = kTextColor) {
    Label* label = screen->CreateText(x, y, L"");
    label->SetFormat(color, {}, bold, {}, size);
    label->SetText(text);
    const platform::Rect extent = label->GetSourceRect();
    label->SetRect(platform::Rect{x, y, x + extent.Width(), y + extent.Height()});
    return label;
}

Label* AddCentredText(IMControl::Dialog* screen, int y, const std::wstring& text, int size,
                      bool bold) {
    Label* label = AddText(screen, 0, y, text, size, bold);
    label->SetPosition(Renderer->width / 2 - label->GetWidth() / 2, y);
    return label;
}

void CloseControl(IMControl* control) {
    control->Close(IMEvent(control, IMEventCode::Close));
}

} // namespace

int IMAppBase::ShowResultsScreen() {
    // The run is on disk the moment its results show, not only when the
    // program closes: a power cut or a crash afterwards loses nothing.
    const bool saved = report == nullptr || SaveReportOrKeepRows(report);

    Dialog* screen = new Dialog(mainWindow, 0);
    Dialog* results = screen;
    auto* background = screen->CreatePicture(0, 0, L"DefaultBackGround");
    background->SetRect(screen->GetRect());

    AddCentredText(screen, 10, L"информационный источник сложной структуры", 14, false);
    AddCentredText(screen, 35, L"Марведа", 18, true);
    AddCentredText(screen, 150, L"ЗАДАНИЕ ВЫПОЛНЕНО", 24, false);
    AddText(screen, 30, 250, L"Номер ЦОР:", 18, true);
    AddText(screen, 135, 250, resourceNumber, 18, false);
    AddText(screen, 30, 300, L"Название:", 18, true);
    AddText(screen, 135, 300, resourceName, 18, false);
    AddText(screen, 30, 350, L"Ученик:", 18, true);
    AddText(screen, 135, 350, studentName, 18, false);
    AddText(screen, 30, 465, L"Статистика:", 18, true);
    if (!saved)
        AddText(screen, 30, 430,
                L"Результаты не удалось записать в общую таблицу: сохраните их кнопкой "
                L"«Сохранить как...»",
                14, false, kWarningColor);

    auto reportButton = [&](int x, const std::wstring& name, long (IMAppBase::*handler)()) {
        Button* button = screen->CreateButton(x, 490, name, name, name + L"Nuv", name + L"Klick");
        if (report != nullptr) {
            button->OnClick.connect([this, handler](const IMMouseEvent&) { return (this->*handler)(); });
        } else {
            button->Disable();
            button->color = kDisabledTint;
            button->SetDirty(true);
        }
    };
    reportButton(30, L"PrintButton", &IMAppBase::PrintReport);
    reportButton(128, L"SaveAsButton", &IMAppBase::SaveReportAs);

    // So that the sequence can run again.
    if (!steps.empty())
        currentStep = steps.begin()->first;

    Button* retry = screen->CreateButton(535, 490, L"RetryButton", L"RetryButton",
                                         L"RetryButtonNuv", L"RetryButtonKlick");
    retry->OnClick.connect([this](const IMMouseEvent&) { return ShowStartScreen(); });
    retry->OnClick.connect([results](const IMMouseEvent&) {
        CloseControl(results);
        return 0L;
    });
    auto closeProgram = [this](const IMMouseEvent&) {
        CloseControl(mainWindow);
        return 0L;
    };
    screen->CreateButton(660, 490, L"CloseButton", L"CloseButton", L"CloseButtonNuv",
                         L"CloseButtonKlick")
        ->OnClick.connect(closeProgram);
    screen->CreateButton(755, 22, L"ExitButton", L"", L"", L"")->OnClick.connect(closeProgram);

    screen->OnKey.connect([this, results](const IMKeyboardEvent& event) {
        // Only the key's press: the character and the release of the Enter
        // that closed a dialog over the screen come here too.
        if (event.code == static_cast<int>(platform::WM_KEYDOWN) && event.wParam == platform::VK_RETURN) {
            NextStep();
            CloseControl(results);
        }
        return 0L;
    });
    // The dialogs of the screen belong to it, though they live in the window.
    screen->OnClose.connect([](const IMEvent&) {
        CloseReportDialogs();
        return 0L;
    });
    // The screen takes the keyboard, so that Enter works at once.
    screen->SetFocus(true);
    return 0;
}
