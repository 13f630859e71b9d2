// The entry field: a framed box holding one text edit, which it scrolls sideways so that the
// caret stays in view. The start screen's name field and the save-as file name use it.
#pragma once

#include "gui/IMDialogBase.h"
#include "gui/IMTextEdit.h"

#include <string>

class IMEditBar : public IMDialogBase<IMEmptyView> {
public:
    // A child of the parent in layer 0, covering the back buffer until SetRect places it. The
    // bar's focus is its edit's.
    explicit IMEditBar(Dialog* parentDialog);

    // Places the bar and lays its frame, background and edit out inside it.
    void SetRect(const platform::Rect& rect) override;

    std::wstring GetText() const { return edit->GetText(); }

    // After every key in the edit: scrolls the edit so that the caret stays 3 pixels inside the
    // bar, and makes the bar's source rectangle the text's extent with room for the frame.
    long EnsureCaretVisible(const IMKeyboardEvent& event);

    IMTextEdit* edit = nullptr;
    IMStaticPictureBase<IMTextureView>* background = nullptr;
    IMStaticPictureBase<IMTextureView>* cornerLeftTop = nullptr;
    IMStaticPictureBase<IMTextureView>* cornerRightTop = nullptr;
    IMStaticPictureBase<IMTextureView>* cornerLeftBottom = nullptr;
    IMStaticPictureBase<IMTextureView>* cornerRightBottom = nullptr;
    IMStaticPictureBase<IMTextureView>* borderLeft = nullptr;
    IMStaticPictureBase<IMTextureView>* borderTop = nullptr;
    IMStaticPictureBase<IMTextureView>* borderRight = nullptr;
    IMStaticPictureBase<IMTextureView>* borderBottom = nullptr;
};
