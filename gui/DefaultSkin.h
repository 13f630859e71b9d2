// The default skin: the framework's and the shell's own pictures (backgrounds, push buttons in
// their three looks, scroll bar and edit field parts, the caret, the selection mark), registered
// in the texture registry under their names for as long as the main window lives.
//
// Names. A push button's normal look has the base name ("PrintButton"); "Nuv" after it is the
// look while the pointer is over it, "Klick" while it is pressed. Check boxes and radio buttons end
// in "Unchecked" or "Checked", with "Dis" after the family for the disabled look; a slider knob's
// pointer-over look ends in "Hover". The bytes are the embedded PNGs assets/skin/<name>.png.
#pragma once

#include <array>
#include <span>

class IMResourceManager;

inline constexpr int kDefaultSkinSize = 57;

// Every name of the skin in registration order, which is also the release order.
extern const std::array<const wchar_t*, kDefaultSkinSize> kDefaultSkinNames;

// Registers every picture of the skin with one reference from its embedded bytes. A name already
// registered only gains a reference. A picture the program does not carry, or cannot decode, is
// left out with one line on stderr naming all such pictures; the rest are registered.
void RegisterDefaultSkin(IMResourceManager& media);
// The same for any list of names of embedded pictures.
void RegisterSkinPictures(IMResourceManager& media, std::span<const wchar_t* const> names);

// Drops the registration's reference of every skin picture, in registration order. A picture a
// view still shows stays alive until the view lets go of it.
void ReleaseDefaultSkin(IMResourceManager& media);
