// Building the printer dialog and scrolling its list.
#include "shell/IMSelectPrinterDialog.h"

#include "platform/print/Printers.h"
#include "shell/DialogParts_c.h"
#include "shell/report/ReportOperations.h"

#include <algorithm>

using platform::Rect;

namespace {

// The list and, at its right edge inside its frame, the scroll bar.
constexpr Rect kListRect{30, 58, 330, 158};
constexpr Rect kScrollRect{313, 59, 329, 157};

} // namespace

IMSelectPrinterDialog::IMSelectPrinterDialog(Dialog* parentDialog)
    : IMDialogBase<IMEmptyView>(parentDialog, 0, Rect{220, 125, 580, 375}) {
    const dialog_parts::Frame frame = dialog_parts::AddFrame(this, 360, 250);
    background = frame.background;
    leftLine = frame.left;
    topLine = frame.top;
    bottomLine = frame.bottom;
    rightLine = frame.right;
    caption = CreateText(30, 38, L"Выберите принтер:");
    caption->SetColor(0xFF000000);

    list = new IMList(this);
    list->SetRect(kListRect);
    const std::wstring defaultPrinter = platform::DefaultPrinterName();
    for (const std::wstring& name : platform::PrinterNames()) {
        IMList::Item* item = list->AddItem(name);
        itemTops.push_back(item->GetRect().top);
        if (!defaultPrinter.empty() && name == defaultPrinter)
            list->Select(item);
    }

    scroll = new IMScroll(this, kScrollRect);
    const int visible = list->inner->GetHeight();
    const int content = list->items.empty() ? 0 : list->items.back()->GetRect().bottom;
    if (content <= visible) {
        scroll->Hide();
    } else {
        scroll->minValue = 0;
        scroll->maxValue = content;
        scroll->page = visible;
        scroll->Relayout();
        scroll->OnScroll.connect([this](const IMEvent&, int position) {
            PlaceItems(position);
            return 0L;
        });
        OnMouseButton.connect([this](const IMMouseEvent& event) { return HandleWheel(event); });
    }

    printButton = CreateButton(30, 179, L"PrintButton", L"PrintButton", L"PrintButtonNuv",
                               L"PrintButtonKlick");
    closeButton = CreateButton(221, 179, L"CloseButton", L"CloseButton", L"CloseButtonNuv",
                               L"CloseButtonKlick");
    // Between the list and the buttons.
    message = dialog_parts::AddMessage(this, 30, 160);
    if (list->items.empty())
        ShowMessage(PrintMessage(PrintOutcome::NoPrinters));
    ScrollTo(list->selected);

    closeButton->OnClick.connect([this](const IMMouseEvent&) {
        Close(IMEvent(this, IMEventCode::Close));
        return 0L;
    });
    dialog_parts::ConnectKeys(this, printButton, closeButton);
}

std::optional<std::wstring> IMSelectPrinterDialog::SelectedPrinter() const {
    if (list->selected == nullptr)
        return std::nullopt;
    return list->selected->GetText();
}

void IMSelectPrinterDialog::ShowMessage(const std::wstring& text) {
    dialog_parts::SetMessage(message, text);
}

void IMSelectPrinterDialog::ScrollTo(const IMList::Item* item) {
    if (item == nullptr || scroll->IsHidden())
        return;
    const auto index = std::find(list->items.begin(), list->items.end(), item) - list->items.begin();
    const int top = itemTops[index];
    const int bottom = top + item->GetHeight();
    const int visible = list->inner->GetHeight();
    if (top < scroll->pos)
        scroll->SetPos(top);
    else if (bottom > scroll->pos + visible)
        scroll->SetPos(bottom - visible);
}

void IMSelectPrinterDialog::PlaceItems(int position) {
    for (size_t i = 0; i < list->items.size(); ++i)
        list->items[i]->SetPosition(0, itemTops[i] - position);
    // The mark follows its item.
    list->Select(list->selected);
}

long IMSelectPrinterDialog::HandleWheel(const IMMouseEvent& event) {
    if (event.code != static_cast<int>(platform::WM_MOUSEWHEEL) || list->items.empty())
        return 0;
    const int notches = static_cast<int16_t>(event.wParam >> 16) / 120;
    scroll->SetPos(scroll->pos - notches * list->items.front()->GetHeight());
    return 0;
}
