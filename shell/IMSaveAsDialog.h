// The Save As dialog of the results screen: a field holding the workbook's
// path, Save and Close, and a line that says why a save did not happen.
#pragma once

#include "gui/IMDialogBase.h"
#include "gui/IMEditBar.h"

#include <string>

class IMSaveAsDialog : public IMDialogBase<IMEmptyView> {
public:
    using Picture = IMStaticPictureBase<IMTextureView>;
    using Button = IMButtonBase<IMStateView>;
    using Label = IMStaticPictureBase<IMTextView>;

    // The dialog in the parent, layer 0, at (220, 225)–(580, 375). When it
    // receives the focus it passes it on to the file name field. Enter clicks
    // Save and Esc clicks Close; Close closes the dialog.
    explicit IMSaveAsDialog(Dialog* parentDialog);

    // Puts the text into the file name field with the caret after its last
    // character, the end of the text in view.
    void SetFileName(const std::wstring& text);
    std::wstring GetFileName() const { return fileNameField->GetText(); }

    // Shows one line under the field; an empty text hides it.
    void ShowMessage(const std::wstring& text);
    std::wstring MessageText() const { return message->GetText(); }

    Picture* background = nullptr;
    Picture* leftLine = nullptr;
    Picture* topLine = nullptr;
    Picture* bottomLine = nullptr;
    Picture* rightLine = nullptr;
    IMEditBar* fileNameField = nullptr;
    // The dialog's submit button.
    Button* saveButton = nullptr;
    Button* closeButton = nullptr;
    Label* message = nullptr;
};
