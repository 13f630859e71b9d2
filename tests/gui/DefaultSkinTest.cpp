// The default skin: every picture registered by name when the main window is made, in order and
// at its size, shown by buttons in all their states, and let go again when the window goes.
#include "GuiFixture.h"

#include "gui/DefaultSkin.h"
#include "gui/IMButtonBase.h"
#include "platform/TextCodec.h"

#include <regex>

using namespace platform;

namespace {

struct SkinPicture {
    const wchar_t* name;
    int width;
    int height;
};

// Registration order, with the sizes the screens lay their controls out by.
const SkinPicture kSkin[] = {
    {L"DefaultBackGround", 800, 600},
    {L"ExitButton", 21, 21},
    {L"PrintButton", 84, 47},
    {L"SaveAsButton", 148, 47},
    {L"RetryButton", 109, 47},
    {L"CloseButton", 111, 47},
    {L"StartPopStartButton", 84, 47},
    {L"EscButton", 37, 25},
    {L"F1Button", 37, 25},
    {L"F12Button", 37, 25},
    {L"SubmitButton", 109, 47},
    {L"OptionsButton", 109, 47},
    {L"CancelButton", 111, 47},
    {L"PrintButtonKlick", 84, 47},
    {L"SaveAsButtonKlick", 148, 47},
    {L"RetryButtonKlick", 109, 47},
    {L"CloseButtonKlick", 111, 47},
    {L"StartPopStartButtonKlick", 84, 47},
    {L"SubmitButtonKlick", 109, 47},
    {L"OptionsButtonKlick", 109, 47},
    {L"CancelButtonKlick", 111, 47},
    {L"PrintButtonNuv", 84, 47},
    {L"SaveAsButtonNuv", 148, 47},
    {L"RetryButtonNuv", 109, 47},
    {L"CloseButtonNuv", 111, 47},
    {L"StartPopStartButtonNuv", 84, 47},
    {L"SubmitButtonNuv", 109, 47},
    {L"OptionsButtonNuv", 109, 47},
    {L"CancelButtonNuv", 111, 47},
    {L"SliderSliderVertical", 19, 10},
    {L"SliderSliderVerticalHover", 19, 10},
    {L"SliderSliderHorizontal", 11, 20},
    {L"SliderSliderHorizontalHover", 11, 20},
    {L"ScrollSlider", 16, 2},
    {L"ScrollSliderHorizontal", 2, 16},
    {L"ScrollBackground", 16, 16},
    {L"ScrollButtonUp", 16, 16},
    {L"ScrollButtonDown", 16, 16},
    {L"CheckBoxUnchecked", 16, 16},
    {L"CheckBoxChecked", 16, 16},
    {L"RadioButtonUnchecked", 16, 16},
    {L"RadioButtonChecked", 16, 16},
    {L"CheckBoxDisUnchecked", 16, 16},
    {L"CheckBoxDisChecked", 16, 16},
    {L"RadioButtonDisUnchecked", 16, 16},
    {L"RadioButtonDisChecked", 16, 16},
    {L"EditBarBackGround", 1, 1},
    {L"EditBarCornerLT", 8, 8},
    {L"EditBarCornerRT", 8, 8},
    {L"EditBarCornerLB", 8, 8},
    {L"EditBarCornerRB", 8, 8},
    {L"EditBarBorderL", 8, 1},
    {L"EditBarBorderR", 8, 1},
    {L"EditBarBorderT", 1, 8},
    {L"EditBarBorderB", 1, 8},
    {L"EditBarKaretka", 1, 19},
    {L"SelectionMask", 1, 1},
};

} // namespace

using DefaultSkinTest = GuiTest;

TEST_F(DefaultSkinTest, EveryPictureIsRegisteredAtStartUpInOrderAtItsSizeWithOneReference) {
    ASSERT_EQ(std::size(kSkin), 57u);
    // Nothing is registered before the skin, so the slots show the order.
    for (int i = 0; i < static_cast<int>(std::size(kSkin)); ++i) {
        const SkinPicture& picture = kSkin[i];
        SCOPED_TRACE(WideToUtf8(picture.name));
        ASSERT_EQ(Renderer->FindTexture(picture.name), i);
        const TextureSlot* slot = Renderer->Slot(i);
        EXPECT_EQ(slot->image, (Rect{0, 0, picture.width, picture.height}));
        EXPECT_EQ(slot->refCount, 1);
        EXPECT_NE(slot->pixels, nullptr);
    }
    EXPECT_EQ(Renderer->slotCount, 57u);
    // The list mark is the one translucent colour the lists are tinted with.
    EXPECT_EQ(Renderer->GetTexturePixel(Renderer->FindTexture(L"SelectionMask"), 0, 0),
              0x1C0056FFu);
}

TEST_F(DefaultSkinTest, AButtonWithoutOverAndPressedPicturesShowsItsNormalOne) {
    // The first button names only its normal picture; the second has all three looks, to show that
    // the pointer and the press really reach the looks in this test.
    auto* plain = window->CreateButton(100, 100, L"PrintButton", L"", L"", L"");
    auto* full = window->CreateButton(300, 100, L"PrintButton", L"PrintButton", L"PrintButtonNuv",
                                      L"PrintButtonKlick");
    EXPECT_EQ(plain->GetRect(), (Rect{100, 100, 184, 147}));
    display.MoveMouse(700, 500);
    Pass();
    auto pixels = [](const Rect& r) {
        const Screenshot screen = Renderer->ReadPixels();
        std::vector<uint32_t> shown;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                shown.push_back(screen.At(x, y));
        return shown;
    };
    const std::vector<uint32_t> normal = pixels(plain->GetRect());
    ASSERT_TRUE(pixels(full->GetRect()) == normal);

    struct Look {
        const char* state;
        bool pressed;
    };
    for (const Look look : {Look{"pointer over", false}, Look{"pressed", true}}) {
        SCOPED_TRACE(look.state);
        for (IMButtonBase<IMStateView>* button : {plain, full}) {
            const Rect r = button->GetRect();
            display.MoveMouse(r.left + 40, r.top + 20);
            if (look.pressed)
                display.PressButton(SDL_BUTTON_LEFT, r.left + 40, r.top + 20);
            Pass();
            EXPECT_EQ(pixels(r) == normal, button == plain)
                << (button == plain ? "the normal picture should show" : "the look should change");
            if (look.pressed)
                display.ReleaseButton(SDL_BUTTON_LEFT, r.left + 40, r.top + 20);
            display.MoveMouse(700, 500);
            Pass();
        }
    }
}

TEST_F(DefaultSkinTest, DestroyingTheWindowReportsTheFrameRateAsOneLine) {
    for (int i = 0; i < 9; ++i) {
        AdvanceMilliseconds(250);
        Pass();
    }
    const uint32_t expected = Renderer->frameCount * 1000 / (TimeGetTime() - Renderer->startTime);
    debugOutput.Clear();
    delete MainWindow;
    EXPECT_EQ(Renderer, nullptr);
    const std::string text = WideToUtf8(debugOutput.Text());
    EXPECT_TRUE(std::regex_match(text, std::regex("FPS: [0-9]+\n"))) << text;
    EXPECT_EQ(text, "FPS: " + std::to_string(expected) + "\n");
}

// Registration and release pair up on any media object: a name that was there first keeps its
// picture and gains a reference, which the release takes back; the rest are freed.
TEST(DefaultSkinRegistration, ReleaseTakesBackExactlyWhatRegistrationAdded) {
    IMResourceManager media;
    ASSERT_EQ(media.InitDirect3D(nullptr, true, 800, 600, 75), 0);
    const int own = media.CreateBlankTexture(L"ExitButton", 5, 5, TextureFormat::A8R8G8B8);

    RegisterDefaultSkin(media);
    EXPECT_EQ(media.textureNames.size(), 57u);
    EXPECT_EQ(media.FindTexture(L"ExitButton"), own);
    EXPECT_EQ(media.Slot(own)->refCount, 2);
    EXPECT_EQ(media.Slot(own)->image, (Rect{0, 0, 5, 5}));

    ReleaseDefaultSkin(media);
    EXPECT_EQ(media.textureNames.size(), 1u);
    EXPECT_EQ(media.Slot(own)->refCount, 1);
    // Released in registration order: the last freed, "SelectionMask", is reused first.
    const int next = media.CreateBlankTexture(L"next", 1, 1, TextureFormat::A8R8G8B8);
    EXPECT_EQ(next, static_cast<int>(media.slotCount) - 1);
}

TEST(DefaultSkinRegistration, APictureTheBuildLacksIsNamedOnceAndTheRestAreRegistered) {
    IMResourceManager media;
    ASSERT_EQ(media.InitDirect3D(nullptr, true, 800, 600, 75), 0);
    const wchar_t* names[] = {L"ExitButton", L"NoSuchSkinPicture", L"EscButton",
                              L"AnotherMissingPicture"};
    testing::internal::CaptureStderr();
    RegisterSkinPictures(media, names);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors, "zeltarik: skin pictures missing or unreadable: NoSuchSkinPicture, "
                      "AnotherMissingPicture\n");
    EXPECT_NE(media.FindTexture(L"ExitButton"), media.InvalidTexture());
    EXPECT_NE(media.FindTexture(L"EscButton"), media.InvalidTexture());
    EXPECT_EQ(media.textureNames.size(), 2u);
    // Releasing names that never came is harmless.
    ReleaseDefaultSkin(media);
    EXPECT_TRUE(media.textureNames.empty());
}
