// Registration and release of the default skin's pictures.
#include "gui/DefaultSkin.h"

#include "media/IMResourceManager.h"
#include "platform/TextCodec.h"
#include "platform/resources/AssetResources.h"

#include <cstdio>
#include <string>

const std::array<const wchar_t*, kDefaultSkinSize> kDefaultSkinNames = {
    L"DefaultBackGround",
    L"ExitButton",
    L"PrintButton",
    L"SaveAsButton",
    L"RetryButton",
    L"CloseButton",
    L"StartPopStartButton",
    L"EscButton",
    L"F1Button",
    L"F12Button",
    L"SubmitButton",
    L"OptionsButton",
    L"CancelButton",
    L"PrintButtonKlick",
    L"SaveAsButtonKlick",
    L"RetryButtonKlick",
    L"CloseButtonKlick",
    L"StartPopStartButtonKlick",
    L"SubmitButtonKlick",
    L"OptionsButtonKlick",
    L"CancelButtonKlick",
    L"PrintButtonNuv",
    L"SaveAsButtonNuv",
    L"RetryButtonNuv",
    L"CloseButtonNuv",
    L"StartPopStartButtonNuv",
    L"SubmitButtonNuv",
    L"OptionsButtonNuv",
    L"CancelButtonNuv",
    L"SliderSliderVertical",
    L"SliderSliderVerticalHover",
    L"SliderSliderHorizontal",
    L"SliderSliderHorizontalHover",
    L"ScrollSlider",
    L"ScrollSliderHorizontal",
    L"ScrollBackground",
    L"ScrollButtonUp",
    L"ScrollButtonDown",
    L"CheckBoxUnchecked",
    L"CheckBoxChecked",
    L"RadioButtonUnchecked",
    L"RadioButtonChecked",
    L"CheckBoxDisUnchecked",
    L"CheckBoxDisChecked",
    L"RadioButtonDisUnchecked",
    L"RadioButtonDisChecked",
    L"EditBarBackGround",
    L"EditBarCornerLT",
    L"EditBarCornerRT",
    L"EditBarCornerLB",
    L"EditBarCornerRB",
    L"EditBarBorderL",
    L"EditBarBorderR",
    L"EditBarBorderT",
    L"EditBarBorderB",
    L"EditBarKaretka",
    L"SelectionMask",
};

void RegisterDefaultSkin(IMResourceManager& media) {
    RegisterSkinPictures(media, kDefaultSkinNames);
}

void RegisterSkinPictures(IMResourceManager& media, std::span<const wchar_t* const> names) {
    // A build that lost a picture still runs: the screens show nothing where it would be. The
    // maintainer learns of it from one line rather than from a crash.
    std::string missing;
    for (const wchar_t* name : names) {
        const platform::AssetBytes bytes = platform::FindEmbeddedAsset(std::wstring_view(name));
        const bool registered =
            bytes &&
            media.LoadTextureFromMemory(name, bytes.data, bytes.size) != media.InvalidTexture();
        if (!registered)
            missing += (missing.empty() ? "" : ", ") + platform::WideToUtf8(name);
    }
    if (!missing.empty())
        std::fprintf(stderr, "zeltarik: skin pictures missing or unreadable: %s\n",
                     missing.c_str());
}

void ReleaseDefaultSkin(IMResourceManager& media) {
    for (const wchar_t* name : kDefaultSkinNames)
        media.ReleaseTextureByName(name);
}
