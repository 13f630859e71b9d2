// The control logic: click synthesis, disabled controls, keyboard signals and
// the text of character events, and handlers that die with their control.
#include "GuiFixture.h"

#include "platform/WinCodes.h"

#include <boost/bind/bind.hpp>

#include <memory>

using namespace platform;

using IMControlTest = GuiTest;

TEST_F(IMControlTest, APressAndReleaseOnTheSameControlClickWithThatButton) {
    Box* box = MakeBox(window, 0, {0, 0, 100, 100});
    Log(box->OnClick, "click");
    Log(box->OnDoubleClick, "double");
    Pass();
    display.MoveMouse(50, 50);
    const uint8_t buttons[] = {SDL_BUTTON_LEFT, SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE};
    for (uint8_t button : buttons) {
        display.PressButton(button, 50, 50);
        display.ReleaseButton(button, 50, 50);
    }
    // A quick second left press is a double-click; its release still clicks.
    display.PressButton(SDL_BUTTON_LEFT, 50, 50, 2);
    display.ReleaseButton(SDL_BUTTON_LEFT, 50, 50);
    Pass();
    EXPECT_EQ(log, (std::vector<std::string>{"click 524", "click 525", "click 526", "double 515",
                                             "click 524"}));
}

TEST_F(IMControlTest, ADisabledControlTracksThePointerButFiresNoButtonSignals) {
    Box* box = MakeBox(window, 0, {0, 0, 100, 100});
    Log(box->OnClick, "click");
    Log(box->OnMouseButton, "button");
    Log(box->OnDoubleClick, "double");
    Log(box->OnMouseEnter, "enter");
    Log(box->OnKeyDown, "key");
    box->Disable();
    box->SetFocusable(true);
    Pass();

    display.MoveMouse(50, 50);
    display.PressButton(SDL_BUTTON_LEFT, 50, 50, 2);
    Pass();
    EXPECT_TRUE(box->IsMouseOver());
    EXPECT_TRUE(box->IsPressed());
    display.ReleaseButton(SDL_BUTTON_LEFT, 50, 50);
    box->SetFocus(true);
    display.PressKey(SDLK_a);
    Pass();
    EXPECT_EQ(log, (std::vector<std::string>{"enter 523", "key 256"}));
}

TEST_F(IMControlTest, KeyboardSignalsAndTheTextOfCharacters) {
    Box* box = MakeBox(window, 0, {0, 0, 10, 10});
    box->SetFocusable(true);
    std::vector<std::string> seen;
    box->OnKeyDown.connect([&](const IMKeyboardEvent& e) {
        seen.push_back("down " + std::to_string(e.wParam));
        return 0L;
    });
    box->OnKeyUp.connect([&](const IMKeyboardEvent& e) {
        seen.push_back("up " + std::to_string(e.wParam));
        return 0L;
    });
    std::wstring typed;
    box->OnKey.connect([&](const IMKeyboardEvent& e) {
        EXPECT_EQ(e.control, box);
        typed += e.GetText();
        return 0L;
    });
    Pass();
    box->SetFocus(true);
    display.PressKey(SDLK_F4, KMOD_LALT);
    display.ReleaseKey(SDLK_F4);
    display.TypeText("Да!");
    display.PressKey(SDLK_BACKSPACE);
    display.PressKey(SDLK_RETURN);
    display.PressKey(SDLK_ESCAPE);
    display.PressKey(SDLK_TAB);
    Pass();
    EXPECT_EQ(seen, (std::vector<std::string>{"down 115", "up 115", "down 8", "down 13", "down 27",
                                              "down 9"}));
    EXPECT_EQ(typed, L"Да!");
}

TEST_F(IMControlTest, HandlersBoundToAControlDisconnectWhenItDies) {
    Box* source = MakeBox(window, 0, {0, 0, 10, 10});
    Box* target = MakeBox(window, 0, {0, 0, 10, 10});
    using boost::placeholders::_1;
    source->OnDirty.connect(boost::bind(&IMControl::Close, target, _1));
    int lambdaCalls = 0;
    source->OnDirty.connect(IMEventSignal::slot_type([&lambdaCalls](const IMEvent&) {
                                ++lambdaCalls;
                                return 0L;
                            }).track_foreign(target->LifetimeToken()));
    Pass();
    EXPECT_EQ(source->OnDirty.num_slots(), 2u);

    source->SetDirty(true);
    EXPECT_EQ(lambdaCalls, 1);
    Pass();
    source->SetDirty(true);
    EXPECT_EQ(lambdaCalls, 1);
    EXPECT_EQ(source->OnDirty.num_slots(), 0u);
}

TEST_F(IMControlTest, RemoveKeepsOnlyTheFocusHandlers) {
    Box* box = MakeBox(window, 0, {0, 0, 10, 10});
    auto handler = [](const IMEvent&) { return 0L; };
    auto mouseHandler = [](const IMMouseEvent&) { return 0L; };
    box->OnClick.connect(mouseHandler);
    box->OnShow.connect(handler);
    box->OnFocus.connect(handler);
    const size_t focusSlots = box->OnFocus.num_slots(); // the parent's tracker and ours
    box->Remove();
    EXPECT_EQ(box->OnClick.num_slots(), 0u);
    EXPECT_EQ(box->OnShow.num_slots(), 0u);
    EXPECT_EQ(box->OnFocus.num_slots(), focusSlots);
    EXPECT_EQ(box->OnKillFocus.num_slots(), 1u);
}
