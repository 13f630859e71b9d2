// Building the Save As dialog.
#include "shell/IMSaveAsDialog.h"

#include "shell/DialogParts_c.h"

using platform::Rect;

IMSaveAsDialog::IMSaveAsDialog(Dialog* parentDialog)
    : IMDialogBase<IMEmptyView>(parentDialog, 0, Rect{220, 225, 580, 375}) {
    const dialog_parts::Frame frame = dialog_parts::AddFrame(this, 360, 150);
    background = frame.background;
    leftLine = frame.left;
    topLine = frame.top;
    bottomLine = frame.bottom;
    rightLine = frame.right;

    fileNameField = new IMEditBar(this);
    fileNameField->SetRect(Rect{30, 28, 330, 48});
    saveButton = CreateButton(30, 79, L"SaveAsButton", L"SaveAsButton", L"SaveAsButtonNuv",
                              L"SaveAsButtonKlick");
    closeButton = CreateButton(221, 79, L"CloseButton", L"CloseButton", L"CloseButtonNuv",
                               L"CloseButtonKlick");
    // Between the field and the buttons.
    message = dialog_parts::AddMessage(this, 30, 56);

    OnFocus.connect([this](const IMEvent&) {
        fileNameField->SetFocus(true);
        return 0L;
    });
    closeButton->OnClick.connect([this](const IMMouseEvent&) {
        Close(IMEvent(this, IMEventCode::Close));
        return 0L;
    });
    dialog_parts::ConnectKeys(this, saveButton, closeButton);
}

void IMSaveAsDialog::SetFileName(const std::wstring& text) {
    IMTextEdit* edit = fileNameField->edit;
    edit->SetText(text);
    edit->SetCaret(static_cast<int>(edit->glyphs.size()));
    // A path is usually wider than the field; the end of it, the file's name,
    // is what the teacher needs to see.
    fileNameField->EnsureCaretVisible(
        IMKeyboardEvent(edit, static_cast<int>(platform::WM_KEYDOWN), platform::VK_END, 0));
}

void IMSaveAsDialog::ShowMessage(const std::wstring& text) {
    dialog_parts::SetMessage(message, text);
}
