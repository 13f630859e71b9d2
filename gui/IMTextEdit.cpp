// Typing, deleting and moving the caret in a text edit, and placing and blinking the caret.
#include "gui/IMTextEdit.h"

#include "gui/IMDialogBase.h"
#include "gui/IMWindow.h"
#include "media/IMResourceManager.h"

#include <algorithm>
#include <optional>

using platform::Rect;

namespace {

// The column that vertical moves aim for. Every text edit shares it; it is taken from the caret
// at the first key any edit gets, and again at every horizontal move.
std::optional<int> rememberedColumn;

bool BreaksLine(wchar_t c) {
    return c == L'\n' || c == L'\r';
}

} // namespace

IMTextEdit::IMTextEdit(Dialog* parentDialog) : IMStaticPictureBase<IMTextView>(parentDialog, 0) {
    SetFocusable(true);
    OnKey.connect([this](const IMKeyboardEvent& event) { return HandleKeyInput(event); });

    caretPicture = new IMStaticPictureBase<IMTextureView>(parentDialog, 0);
    caretPicture->SetTexture(L"EditBarKaretka");
    caretPicture->Hide();
    caretAlive = caretPicture->LifetimeToken();

    // The caret may outlive the edit in the parent, so these handlers track both.
    auto tracked = [this](auto handler) {
        return IMEventSignal::slot_type(handler)
            .track_foreign(LifetimeToken())
            .track_foreign(caretPicture->LifetimeToken());
    };
    IMStaticPictureBase<IMTextureView>* caret = caretPicture;
    OnFocus.connect(tracked([caret](const IMEvent&) { return caret->Show(); }));
    OnKillFocus.connect(tracked([caret](const IMEvent&) { return caret->Hide(); }));
    OnDirty.connect(tracked([this](const IMEvent&) {
        UpdateCaret();
        return 0L;
    }));
    if (MainWindow) {
        blinkTimerId = MainWindow->AddTimer(500);
        MainWindow->ConnectTimer(blinkTimerId, tracked([this](const IMEvent&) { return Blink(); }));
    }
}

IMTextEdit::~IMTextEdit() {
    if (MainWindow)
        MainWindow->RemoveTimer(blinkTimerId);
}

long IMTextEdit::Remove() {
    if (!caretAlive.expired())
        caretPicture->Remove();
    return IMStaticPictureBase<IMTextView>::Remove();
}

long IMTextEdit::Blink() {
    if (IsFocused() && !caretAlive.expired()) {
        if (caretPicture->IsHidden())
            caretPicture->Show();
        else
            caretPicture->Hide();
    }
    return 0;
}

int IMTextEdit::LineOf(int position) const {
    auto line = std::upper_bound(lineStarts.begin(), lineStarts.end(), position);
    return std::max(static_cast<int>(line - lineStarts.begin()) - 1, 0);
}

int IMTextEdit::CaretColumn() const {
    return caretPos - lineStarts[LineOf(caretPos)];
}

void IMTextEdit::MoveVertically(int delta) {
    const int target = LineOf(caretPos) + delta;
    const int lines = static_cast<int>(lineStarts.size());
    const int count = static_cast<int>(glyphs.size());
    if (target < 0 || target >= lines)
        return;
    const int start = lineStarts[target];
    int end = target + 1 < lines ? lineStarts[target + 1] : count;
    // A line that ends in a break ends before it: past it is the next line.
    if (end > start && end <= count && BreaksLine(glyphs[end - 1]->ch))
        --end;
    SetCaret(std::min(start + rememberedColumn.value_or(0), end));
}

long IMTextEdit::HandleKeyInput(const IMKeyboardEvent& event) {
    if (!rememberedColumn)
        rememberedColumn = CaretColumn();

    if (event.IsMessage(static_cast<int>(platform::WM_CHAR)) && editable) {
        if (event.wParam == platform::VK_BACK) {
            if (caretPos > 0) {
                DeleteText(caretPos - 1, 1);
                SetCaret(caretPos - 1);
            }
        } else {
            const std::wstring text = event.GetText();
            if (!text.empty()) {
                InsertText(caretPos, text);
                SetCaret(caretPos + static_cast<int>(text.size()));
            }
        }
    }

    if (event.IsMessage(static_cast<int>(platform::WM_KEYDOWN))) {
        auto showCaret = [this] {
            if (!caretAlive.expired())
                caretPicture->Show();
        };
        switch (event.wParam) {
        case platform::VK_LEFT:
            showCaret();
            SetCaret(caretPos - 1);
            rememberedColumn = CaretColumn();
            break;
        case platform::VK_RIGHT:
            showCaret();
            SetCaret(caretPos + 1);
            rememberedColumn = CaretColumn();
            break;
        case platform::VK_UP:
        case platform::VK_DOWN:
            showCaret();
            if (multiline)
                MoveVertically(event.wParam == platform::VK_UP ? -1 : 1);
            break;
        case platform::VK_DELETE:
            if (caretPos < static_cast<int>(glyphs.size()) && editable)
                DeleteText(caretPos, 1);
            break;
        default:
            break;
        }
    }
    SetDirty(true);
    return 0;
}

void IMTextEdit::SetCaret(int position) {
    caretPos = std::clamp(position, 0, static_cast<int>(glyphs.size()));
    UpdateCaret();
}

void IMTextEdit::UpdateCaret() {
    if (caretAlive.expired())
        return;
    // Replacing the text (SetText, a text view's operation) may leave fewer
    // glyphs than the caret had before it.
    caretPos = std::min(caretPos, static_cast<int>(glyphs.size()));
    const Rect edit = GetRect();
    int height = 0;
    if (caretPos > 0) {
        height = glyphs[caretPos - 1]->pictureHeight;
    } else if (!glyphs.empty()) {
        height = glyphs[0]->pictureHeight;
    } else if (Renderer) {
        // An empty text: the caret is as tall as a space in the edit's style.
        const int space =
            Renderer->CreateTextTexture(L"TempSpaceBar", L' ', nullptr, color, fontSize, fontName,
                                        italic, bold, underline, backColor);
        if (const TextureSlot* slot = Renderer->Slot(space))
            height = slot->image.Height();
        Renderer->ReleaseTexture(space);
    }
    const Rect before = caretPos > 0 ? glyphs[caretPos - 1]->rect : Rect{};
    const int x = edit.left + before.right;
    const int y = edit.top + before.top;
    caretPicture->SetRect(Rect{x, y, x + 1, y + height});
}
