// The container: layers and order, deferred adding and removal, hover and
// focus tracking, and dispatch of buttons, the wheel and keys.
#include "GuiFixture.h"

#include "platform/WinCodes.h"

#include <memory>

using namespace platform;

using IMDialogBaseTest = GuiTest;

TEST_F(IMDialogBaseTest, LaterChildrenAndHigherLayersAreDrawnOverAndHitFirst) {
    Box* high = MakeBox(window, 5, {0, 0, 100, 100});
    Box* first = MakeBox(window, 0, {0, 0, 100, 100});
    Box* second = MakeBox(window, 0, {50, 0, 150, 100});
    Log(first->OnDraw, "first");
    Log(second->OnDraw, "second");
    Log(high->OnDraw, "high");
    Pass();
    EXPECT_EQ(log, (std::vector<std::string>{"first 15", "second 15", "high 15"}));

    display.MoveMouse(75, 50);
    Pass();
    EXPECT_EQ(window->hovered, high);
    high->Hide();
    EXPECT_EQ(window->hovered, second);
    second->Hide();
    EXPECT_EQ(window->hovered, first);
}

TEST_F(IMDialogBaseTest, AChildAddedInAHandlerTakesPartOnlyFromTheNextTick) {
    Box* button = MakeBox(window, 0, {0, 0, 100, 100});
    Box* added = nullptr;
    button->OnMouseButton.connect([&](const IMMouseEvent& e) {
        if (e.code == static_cast<int>(WM_LBUTTONDOWN)) {
            added = MakeBox(window, 1, {0, 0, 100, 100});
            Log(added->OnMouseEnter, "added enter");
            Log(added->OnDraw, "added draw");
        }
        return 0L;
    });
    Log(window->OnUpdate, "tick");
    Pass();
    display.MoveMouse(10, 10);
    Pass();
    log.clear();

    // The move arrives in the same drain as the press, before the tick.
    display.PressButton(SDL_BUTTON_LEFT, 10, 10);
    display.MoveMouse(11, 11);
    Pass();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(window->hovered, button);
    EXPECT_EQ(log, (std::vector<std::string>{"tick 16", "added draw 15"}));

    display.MoveMouse(12, 12);
    Pass();
    EXPECT_EQ(window->hovered, added);
}

TEST_F(IMDialogBaseTest, HidingTheHoveredChildEntersTheOneBelowBeforeLeavingIt) {
    Box* below = MakeBox(window, 0, {0, 0, 100, 100});
    Box* above = MakeBox(window, 0, {0, 0, 100, 100});
    Log(below->OnMouseEnter, "below enter");
    Log(below->OnMouseLeave, "below leave");
    Log(above->OnMouseEnter, "above enter");
    Log(above->OnMouseLeave, "above leave");
    Pass();
    display.MoveMouse(50, 50);
    Pass();
    EXPECT_EQ(log, std::vector<std::string>{"above enter 523"});

    log.clear();
    above->Hide();
    EXPECT_EQ(log, (std::vector<std::string>{"below enter 523", "above leave 675"}));
    EXPECT_FALSE(above->IsMouseOver());
    EXPECT_TRUE(below->IsMouseOver());
}

TEST_F(IMDialogBaseTest, PressOnOneControlAndReleaseOnAnotherClicksNeither) {
    Box* left = MakeBox(window, 0, {0, 0, 100, 100});
    Box* right = MakeBox(window, 0, {100, 0, 200, 100});
    Log(left->OnClick, "left click");
    Log(right->OnClick, "right click");
    Pass();

    display.MoveMouse(50, 50);
    display.PressButton(SDL_BUTTON_LEFT, 50, 50);
    display.MoveMouse(150, 50);
    display.ReleaseButton(SDL_BUTTON_LEFT, 150, 50);
    Pass();
    EXPECT_TRUE(log.empty());
    // The flag stays until the control's next button message.
    EXPECT_TRUE(left->IsPressed());
    EXPECT_FALSE(right->IsPressed());

    display.MoveMouse(50, 50);
    display.PressButton(SDL_BUTTON_RIGHT, 50, 50);
    display.ReleaseButton(SDL_BUTTON_RIGHT, 50, 50);
    Pass();
    EXPECT_EQ(log, std::vector<std::string>{"left click 525"});
    EXPECT_FALSE(left->IsPressed());
}

TEST_F(IMDialogBaseTest, TheWheelSetsPressedOnlyForExactlyOneButtonAndNoOtherKey) {
    Box* box = MakeBox(window, 0, {0, 0, 100, 100});
    int wheels = 0;
    box->OnMouseButton.connect([&](const IMMouseEvent& e) {
        wheels += e.code == static_cast<int>(WM_MOUSEWHEEL);
        return 0L;
    });
    Pass();
    display.MoveMouse(50, 50);
    Pass();
    struct Case {
        uint16_t keys;
        bool pressed;
    } cases[] = {{MK_LBUTTON, true},
                 {MK_RBUTTON, true},
                 {MK_MBUTTON, true},
                 {MK_LBUTTON | MK_SHIFT, false},
                 {MK_LBUTTON | MK_RBUTTON, false},
                 {MK_CONTROL, false},
                 {0, false}};
    for (const Case& c : cases) {
        PostMessage(WM_MOUSEWHEEL, MakeWParam(c.keys, uint16_t(-WHEEL_DELTA)), MakeLParam(50, 50));
        Pass();
        EXPECT_EQ(box->IsPressed(), c.pressed) << "keys " << c.keys;
    }
    EXPECT_EQ(wheels, 7);
}

TEST_F(IMDialogBaseTest, KeysTravelOnlyAlongTheFocusChainThatClicksBuild) {
    auto* leftDialog = CreateDialog(window, 0, 0, 400, 600);
    auto* rightDialog = CreateDialog(window, 400, 0, 400, 600);
    Box* leftEdit = MakeBox(leftDialog, 0, {0, 0, 100, 100});
    Box* rightEdit = MakeBox(rightDialog, 0, {0, 0, 100, 100});
    Box* plain = MakeBox(rightDialog, 0, {200, 0, 300, 100});
    leftEdit->SetFocusable(true);
    rightEdit->SetFocusable(true);
    for (auto [control, name] : {std::pair<IMControl*, const char*>{window, "window"},
                                 {leftDialog, "left"},
                                 {rightDialog, "right"},
                                 {leftEdit, "leftEdit"},
                                 {rightEdit, "rightEdit"},
                                 {plain, "plain"}})
        Log(control->OnKeyDown, name);
    Pass(2);

    leftEdit->SetFocus(true);
    EXPECT_TRUE(leftDialog->IsFocused());
    EXPECT_EQ(window->focusedChild, leftDialog);
    display.PressKey(SDLK_a);
    Pass();
    EXPECT_EQ(log, (std::vector<std::string>{"window 256", "left 256", "leftEdit 256"}));

    // A click moves the focus: the old path loses it, the new one takes it.
    log.clear();
    display.MoveMouse(450, 50);
    display.PressButton(SDL_BUTTON_LEFT, 450, 50);
    display.ReleaseButton(SDL_BUTTON_LEFT, 450, 50);
    display.PressKey(SDLK_b);
    Pass();
    EXPECT_FALSE(leftEdit->IsFocused());
    EXPECT_FALSE(leftDialog->IsFocused());
    EXPECT_TRUE(rightEdit->IsFocused());
    EXPECT_EQ(log, (std::vector<std::string>{"window 256", "right 256", "rightEdit 256"}));

    // A control that cannot take the focus keeps it where it was; a
    // container without a focused child keeps keys to itself.
    log.clear();
    display.MoveMouse(650, 50);
    display.PressButton(SDL_BUTTON_LEFT, 650, 50);
    display.ReleaseButton(SDL_BUTTON_LEFT, 650, 50);
    Pass();
    EXPECT_TRUE(rightEdit->IsFocused());
    rightEdit->SetFocus(false);
    display.PressKey(SDLK_c);
    Pass();
    EXPECT_EQ(log, (std::vector<std::string>{"window 256", "right 256"}));
}

TEST_F(IMDialogBaseTest, CloseFiresOnCloseAtOnceAndRemovesTheSubtreeAtTheNextTick) {
    auto* dialog = CreateDialog(window, 0, 0, 400, 300);
    Box* child = MakeBox(dialog, 0, {0, 0, 100, 100});
    std::weak_ptr<void> dialogAlive = dialog->LifetimeToken();
    std::weak_ptr<void> childAlive = child->LifetimeToken();
    Log(dialog->OnClose, "close");
    Pass(2);
    display.MoveMouse(50, 50);
    Pass();
    ASSERT_EQ(window->hovered, dialog);
    ASSERT_EQ(dialog->hovered, child);

    dialog->Close(IMEvent(nullptr, IMEventCode::Close));
    EXPECT_EQ(log, std::vector<std::string>{"close 16"});
    EXPECT_FALSE(dialogAlive.expired());
    EXPECT_EQ(window->children.size(), 1u);

    Pass();
    EXPECT_TRUE(dialogAlive.expired());
    EXPECT_TRUE(childAlive.expired());
    EXPECT_TRUE(window->children.empty());
    EXPECT_EQ(window->hovered, nullptr);
    display.MoveMouse(51, 51);
    Pass();
}

TEST_F(IMDialogBaseTest, AControlClosedBeforeItsFirstTickNeverAppearsAndGoesAtTheTick) {
    Box* button = MakeBox(window, 0, {0, 0, 100, 100});
    std::weak_ptr<void> popupAlive;
    // The pop-up closes itself from its own handler, before it was ever
    // merged: it must survive the handler.
    button->OnClick.connect([&](const IMMouseEvent&) {
        auto* popup = CreateDialog(window, 0, 0, 100, 100, 1);
        popupAlive = popup->LifetimeToken();
        popup->OnShow.connect([popup](const IMEvent& e) { return popup->Close(e); });
        popup->Show();
        popup->Hide();
        return 0L;
    });
    Pass();
    display.MoveMouse(50, 50);
    display.PressButton(SDL_BUTTON_LEFT, 50, 50);
    display.ReleaseButton(SDL_BUTTON_LEFT, 50, 50);
    display.MoveMouse(51, 51);
    Pass();
    EXPECT_TRUE(popupAlive.expired());
    EXPECT_EQ(window->hovered, button);
    EXPECT_EQ(window->children.size(), 1u);
}
