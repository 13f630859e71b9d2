// Labels, centring and backgrounds of the shell's screens.
#include "shell/ScreenParts.h"

ScreenLabel* AddLabel(IMControl::Dialog* dialog, int x, int y, const std::wstring& text, int size,
                      TextWeight weight) {
    auto* label = new ScreenLabel(dialog, 0);
    label->SetFormat(kScreenTextColor, {}, weight == TextWeight::Bold, {}, size);
    label->SetText(text);
    const platform::Rect extent = label->GetSourceRect();
    label->SetRect(platform::Rect{x, y, x + extent.Width(), y + extent.Height()});
    return label;
}

ScreenLabel* CentreHorizontally(ScreenLabel* label, int screenWidth) {
    label->SetPosition(screenWidth / 2 - label->GetWidth() / 2, label->GetRect().top);
    return label;
}

IMStaticPictureBase<IMTextureView>* AddBackground(IMControl::Dialog* dialog) {
    auto* background = dialog->CreatePicture(0, 0, L"DefaultBackGround");
    background->SetRect(platform::Rect{0, 0, dialog->GetWidth(), dialog->GetHeight()});
    return background;
}
