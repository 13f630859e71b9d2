// The printer dialog of the results screen: the machine's printers in a list
// with the default one chosen, Print and Close, and a line that says why
// nothing was printed.
#pragma once

#include "gui/IMDialogBase.h"
#include "gui/IMList.h"
#include "gui/IMScroll.h"

#include <optional>
#include <string>

class IMSelectPrinterDialog : public IMDialogBase<IMEmptyView> {
public:
    using Picture = IMStaticPictureBase<IMTextureView>;
    using Button = IMButtonBase<IMStateView>;
    using Label = IMStaticPictureBase<IMTextView>;

    // The dialog in the parent, layer 0, at (220, 125)–(580, 375), its list
    // filled with the printers in the print system's order and the default
    // printer chosen. When the printers do not fit the list, a scroll bar (and
    // the mouse wheel) scrolls them. Enter clicks Print and Esc clicks Close;
    // Close closes the dialog.
    explicit IMSelectPrinterDialog(Dialog* parentDialog);

    // The name of the chosen printer, if one is chosen.
    std::optional<std::wstring> SelectedPrinter() const;

    // Shows one line under the list; an empty text hides it.
    void ShowMessage(const std::wstring& text);
    std::wstring MessageText() const { return message->GetText(); }

    // Scrolls the list so that the item is in view.
    void ScrollTo(const IMList::Item* item);

    Picture* background = nullptr;
    Picture* leftLine = nullptr;
    Picture* topLine = nullptr;
    Picture* bottomLine = nullptr;
    Picture* rightLine = nullptr;
    Label* caption = nullptr;
    IMList* list = nullptr;
    // Hidden while every printer fits the list.
    IMScroll* scroll = nullptr;
    // The dialog's submit button.
    Button* printButton = nullptr;
    Button* closeButton = nullptr;
    Label* message = nullptr;

private:
    void PlaceItems(int position);
    long HandleWheel(const IMMouseEvent& event);

    // Each item's top when the list is not scrolled.
    std::vector<int> itemTops;
};
