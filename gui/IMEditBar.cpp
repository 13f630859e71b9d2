// The entry field's frame and its sideways scrolling.
#include "gui/IMEditBar.h"

using platform::Rect;

namespace {

void Place(IMControl* control, int x, int y, int width, int height) {
    control->SetRect(Rect{x, y, x + width, y + height});
}

} // namespace

IMEditBar::IMEditBar(Dialog* parentDialog) : IMDialogBase<IMEmptyView>(parentDialog, 0) {
    background = CreatePicture(0, 0, L"EditBarBackGround");
    auto line = [this] {
        auto* picture = CreatePicture(0, 0, L"EditBarKaretka");
        picture->SetSize(1, 1);
        return picture;
    };
    cornerLeftTop = line();
    cornerRightTop = line();
    cornerLeftBottom = line();
    cornerRightBottom = line();
    borderLeft = line();
    borderTop = line();
    borderRight = line();
    borderBottom = line();

    edit = new IMTextEdit(this);
    OnFocus.connect([this](const IMEvent&) {
        edit->SetFocus(true);
        return 0L;
    });
    OnKillFocus.connect([this](const IMEvent&) {
        edit->SetFocus(false);
        return 0L;
    });
    edit->SetColor(0xFF000000);
    // Connected after the edit's own handler, so it sees the caret where the key left it.
    edit->OnKey.connect(IMKeyboardSignal::slot_type([this](const IMKeyboardEvent& event) {
                            return EnsureCaretVisible(event);
                        }).track_foreign(LifetimeToken()));
}

void IMEditBar::SetRect(const Rect& rect) {
    IMDialogBase<IMEmptyView>::SetRect(rect);
    const int w = rect.Width();
    const int h = rect.Height();
    Place(cornerLeftTop, 0, 0, 1, 1);
    Place(cornerRightTop, w - 1, 0, 1, 1);
    Place(cornerLeftBottom, 0, h - 1, 1, 1);
    Place(cornerRightBottom, w - 1, h - 1, 1, 1);
    Place(borderLeft, 0, 1, 1, h - 2);
    Place(borderTop, 1, 0, w - 2, 1);
    Place(borderRight, w - 1, 1, 1, h - 2);
    Place(borderBottom, 1, h - 1, w - 2, 1);
    background->SetRect(Rect{1, 1, w - 1, h - 1});
    edit->SetRect(Rect{3, 2, w - 1, h - 1});
}

long IMEditBar::EnsureCaretVisible(const IMKeyboardEvent&) {
    const Rect caret = edit->caretPicture->GetRect();
    const int width = GetWidth();
    if (caret.right > width - 3) {
        const platform::Point at = edit->GetPosition();
        edit->SetPosition(at.x - caret.right + width - 3, at.y);
        Rect moved = edit->GetRect();
        if (caret.right > moved.right) {
            moved.right = caret.right;
            edit->SetRect(moved);
        }
    }
    if (caret.left < 0) {
        const platform::Point at = edit->GetPosition();
        edit->SetPosition(at.x - caret.left + 2, at.y);
    }
    const Rect text = edit->GetSourceRect();
    SetSourceRect(Rect{text.left, text.top, text.right + 6, text.bottom + 2});
    return 0;
}
