// The button's states follow the pointer, the buttons and the enabled flag;
// a disabled button shows it and never clicks.
#include "GuiFixture.h"

#include "gui/IMButtonBase.h"

using namespace platform;

class IMButtonBaseTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        for (const wchar_t* name : {L"normal", L"disabled", L"over", L"pressed"})
            MakeSolidPicture(name, 100, 50, 0xFFFFFFFF);
        button = window->CreateButton(10, 10, L"normal", L"disabled", L"over", L"pressed");
        Log(button->OnClick, "click");
        Pass();
    }

    // The state and the picture it shows.
    std::pair<int, std::wstring> Shown() const {
        return {button->currentState, Renderer->Slot(button->textureId)->name};
    }

    IMButtonBase<IMStateView>* button = nullptr;
};

TEST_F(IMButtonBaseTest, IsSizedToItsNormalPicture) {
    EXPECT_EQ(button->GetRect(), (Rect{10, 10, 110, 60}));
    EXPECT_EQ(Shown(), std::make_pair(0, std::wstring(L"normal")));
}

TEST_F(IMButtonBaseTest, FollowsThePointerAndTheButtons) {
    using S = std::pair<int, std::wstring>;
    display.MoveMouse(50, 30);
    Pass();
    EXPECT_EQ(Shown(), S(3, L"over"));
    display.PressButton(SDL_BUTTON_LEFT, 50, 30);
    Pass();
    EXPECT_EQ(Shown(), S(4, L"pressed"));
    display.ReleaseButton(SDL_BUTTON_LEFT, 50, 30);
    Pass();
    EXPECT_EQ(Shown(), S(3, L"over"));
    EXPECT_EQ(log, std::vector<std::string>{"click 524"});

    // Leaving with the button held, and coming back before the release.
    display.PressButton(SDL_BUTTON_LEFT, 50, 30);
    display.MoveMouse(300, 300);
    Pass();
    EXPECT_EQ(Shown(), S(0, L"normal"));
    display.MoveMouse(50, 30);
    Pass();
    EXPECT_EQ(Shown(), S(4, L"pressed"));
}

TEST_F(IMButtonBaseTest, ADisabledButtonTracksThePointerButShowsDisabledAndNeverClicks) {
    using S = std::pair<int, std::wstring>;
    button->Disable();
    EXPECT_EQ(Shown(), S(1, L"disabled"));
    display.MoveMouse(50, 30);
    display.PressButton(SDL_BUTTON_LEFT, 50, 30);
    display.ReleaseButton(SDL_BUTTON_LEFT, 50, 30);
    display.PressButton(SDL_BUTTON_LEFT, 50, 30);
    Pass();
    EXPECT_TRUE(button->IsMouseOver());
    EXPECT_EQ(Shown(), S(1, L"disabled"));
    EXPECT_TRUE(log.empty());

    button->Enable();
    EXPECT_EQ(Shown(), S(4, L"pressed"));
}

TEST_F(IMButtonBaseTest, AHiddenButtonKeepsItsStateUntilItIsShownAgain) {
    using S = std::pair<int, std::wstring>;
    display.MoveMouse(50, 30);
    Pass();
    button->Hide();
    EXPECT_EQ(Shown(), S(3, L"over"));
    EXPECT_FALSE(button->IsMouseOver());
    display.MoveMouse(300, 300);
    Pass();
    button->Show();
    EXPECT_EQ(Shown(), S(0, L"normal"));
}
