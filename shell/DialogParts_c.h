// The parts the shell's two small dialogs share: the background with its
// one-pixel frame, the message line, and Enter and Esc standing for the
// dialog's two buttons.
#pragma once

#include "gui/IMDialogBase.h"
#include "platform/WinCodes.h"

#include <string>

namespace dialog_parts {

using Picture = IMStaticPictureBase<IMTextureView>;
using Button = IMButtonBase<IMStateView>;
using Label = IMStaticPictureBase<IMTextView>;

// The colour of a message line: a dark red that reads as a warning on the
// light background.
inline constexpr uint32_t kMessageColor = 0xFFA00000;
inline constexpr int kMessageSize = 14;

struct Frame {
    Picture* background;
    Picture* left;
    Picture* top;
    Picture* bottom;
    Picture* right;
};

inline Picture* Line(IMControl::Dialog* dialog, int x, int y, int width, int height) {
    Picture* line = dialog->CreatePicture(x, y, L"EditBarKaretka");
    line->SetRect(platform::Rect{x, y, x + width, y + height});
    return line;
}

// "DefaultBackGround" over the whole dialog and the four frame lines.
inline Frame AddFrame(IMControl::Dialog* dialog, int width, int height) {
    Frame frame{};
    frame.background = dialog->CreatePicture(0, 0, L"DefaultBackGround");
    frame.background->SetRect(platform::Rect{0, 0, width, height});
    frame.left = Line(dialog, 0, 0, 1, height);
    frame.top = Line(dialog, 0, 0, width, 1);
    frame.bottom = Line(dialog, 0, height - 1, width, 1);
    frame.right = Line(dialog, width - 1, 0, 1, height);
    return frame;
}

// An empty line of text at (x, y) in the message style.
inline Label* AddMessage(IMControl::Dialog* dialog, int x, int y) {
    Label* message = dialog->CreateText(x, y, L"");
    message->SetFormat(kMessageColor, {}, {}, {}, kMessageSize);
    return message;
}

inline void SetMessage(Label* message, const std::wstring& text) {
    message->SetText(text);
    const platform::Rect extent = message->GetSourceRect();
    const platform::Point at = message->GetPosition();
    message->SetRect(platform::Rect{at.x, at.y, at.x + extent.Width(), at.y + extent.Height()});
}

// Enter clicks the submit button and Esc the close button, as in every
// dialog the teacher knows.
inline void ConnectKeys(IMControl::Dialog* dialog, Button* submit, Button* close) {
    dialog->OnKey.connect([submit, close](const IMKeyboardEvent& event) -> long {
        if (event.code != static_cast<int>(platform::WM_KEYDOWN))
            return 0;
        Button* target = event.wParam == platform::VK_RETURN   ? submit
                         : event.wParam == platform::VK_ESCAPE ? close
                                                               : nullptr;
        if (target)
            target->PerformClick(IMMouseEvent(target, IMEventCode::LeftClick, 0, 0, 0));
        return 0;
    });
}

} // namespace dialog_parts
