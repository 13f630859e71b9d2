// The text edit: a text view that takes typed characters, Backspace and Delete, moves a blinking
// caret with the arrow keys, and shows the caret while it has the focus.
#pragma once

#include "gui/IMTextView.h"
#include "gui/IMTextureView.h"
#include "gui/IMViewControl.h"

#include <memory>

class IMTextEdit : public IMStaticPictureBase<IMTextView> {
public:
    // The edit and its caret are children of the parent, in layer 0; the caret blinks on a timer
    // of the main window, which must exist.
    explicit IMTextEdit(Dialog* parentDialog);
    // Removes the blink timer.
    ~IMTextEdit() override;

    // Removes the caret with the edit.
    long Remove() override;

    // WM_CHAR types (Backspace deletes before the caret), WM_KEYDOWN moves the caret (arrows) or
    // deletes after it (Delete). Connected to the edit's own OnKey.
    virtual long HandleKeyInput(const IMKeyboardEvent& event);

    // Puts the caret before glyph `position`, kept within 0 … glyph count.
    void SetCaret(int position);
    // Sizes and places the caret picture for caretPos, in the parent's coordinates.
    void UpdateCaret();

    // The number of glyphs before the caret.
    int caretPos = 0;
    int blinkTimerId = 0;
    // A sibling in the edit's parent showing "EditBarKaretka".
    IMStaticPictureBase<IMTextureView>* caretPicture = nullptr;
    // Characters may be typed and deleted.
    bool editable = true;

private:
    // The caret's column: caretPos less the start of its line.
    int CaretColumn() const;
    // The line holding the glyph position (the last line starting at or before it).
    int LineOf(int position) const;
    // Moves the caret to the line `delta` lines away, at the remembered column or the end of
    // that line.
    void MoveVertically(int delta);
    long Blink();

    // The caret belongs to the parent, which may have deleted it already.
    std::weak_ptr<void> caretAlive;
};
