// What the shell's screens are made of: labels in the screens' colour and the
// text view's default face, lines centred on the screen, and the skin's
// background stretched over a whole dialog.
#pragma once

#include <cstdint>
#include <string>

#include "gui/IMDialogBase.h"

// The colour of every text on the shell's screens (opaque dark blue).
inline constexpr uint32_t kScreenTextColor = 0xFF072134;
// The colour of a line that warns the teacher (opaque dark red).
inline constexpr uint32_t kScreenWarningColor = 0xFFA00000;

enum class TextWeight { Normal, Bold };

using ScreenLabel = IMStaticPictureBase<IMTextView>;

// A label with its top-left corner at (x, y), sized to its text. The size and
// weight are set before the text, so the label is measured in its own font.
ScreenLabel* AddLabel(IMControl::Dialog* dialog, int x, int y, const std::wstring& text, int size,
                      TextWeight weight = TextWeight::Normal);

// Moves the label sideways so that it stands in the middle of a screen of
// that width: left = width / 2 − text width / 2, each half truncated.
ScreenLabel* CentreHorizontally(ScreenLabel* label, int screenWidth);

// "DefaultBackGround" stretched over the whole dialog, under everything added
// after it.
IMStaticPictureBase<IMTextureView>* AddBackground(IMControl::Dialog* dialog);
