// The window procedure's table and the loop: which messages reach the tree,
// closing, a lost device, and how long the loop sleeps when idle.
#include "GuiFixture.h"

#include "gui/IMAnimationBase.h"
#include "gui/IMSequenceView.h"
#include "platform/WinCodes.h"

#include <chrono>

using namespace platform;
using std::chrono::microseconds;

using MessageLoopTest = GuiTest;

TEST_F(MessageLoopTest, RightAndMiddleDoubleClicksReachNoControl) {
    Box* box = MakeBox(window, 0, {0, 0, 100, 100});
    Log(box->OnMouseButton, "button");
    Log(box->OnDoubleClick, "double");
    Pass();
    display.MoveMouse(50, 50);
    for (uint8_t button : {SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_LEFT}) {
        display.PressButton(button, 50, 50, 2);
        Pass();
    }
    EXPECT_EQ(log, (std::vector<std::string>{"button 515", "double 515"}));
}

TEST_F(MessageLoopTest, ClosingTheWindowRemovesEveryChildAndEndsTheLoopWithZero) {
    auto* dialog = CreateDialog(window, 0, 0, 100, 100);
    Box* box = MakeBox(dialog, 0, {0, 0, 10, 10});
    Log(dialog->OnClose, "dialog close");
    Log(window->OnClose, "window close");
    Pass();
    display.SendWindowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(RunMessageLoop(*window), 0);
    EXPECT_EQ(window->removals, std::vector<IMControl*>{dialog});
    EXPECT_EQ(dialog->removals, std::vector<IMControl*>{box});
    // The window closes as the program's own Close closes it, so what waits
    // for its close (saving the student's work) runs; the screens beneath are
    // only destroyed, and their close handlers stay quiet.
    EXPECT_EQ(log, std::vector<std::string>{"window close 16"});
}

TEST_F(MessageLoopTest, WhileTheDeviceIsLostOnlyKeysButtonsAndTimersGoOn) {
    Box* box = MakeBox(window, 0, {0, 0, 100, 100});
    box->SetFocusable(true);
    Log(box->OnUpdate, "update");
    Log(box->OnDraw, "draw");
    Log(box->OnMouseMove, "move");
    Log(box->OnMouseButton, "button");
    Log(window->OnKeyDown, "key");
    window->ConnectTimer(window->AddTimer(0), [&](const IMEvent&) {
        log.push_back("timer");
        return 0L;
    });
    Pass();
    display.MoveMouse(50, 50);
    Pass();
    log.clear();

    Renderer->NotifyDeviceLost();
    display.MoveMouse(51, 51);
    display.PressButton(SDL_BUTTON_LEFT, 51, 51);
    display.PressKey(SDLK_a);
    Pass();
    EXPECT_EQ(log, (std::vector<std::string>{"button 513", "key 256", "timer"}));

    // The loop asks for a repaint, which re-creates the device and redraws.
    log.clear();
    Pass();
    EXPECT_FALSE(Renderer->IsDeviceLost());
    EXPECT_EQ(log, (std::vector<std::string>{"update 16", "draw 15", "timer"}));
}

TEST_F(MessageLoopTest, TheIdleLoopSleepsUntilTheNextTimerOrAnimationFrame) {
    // A still screen waits for input only.
    Pass();
    EXPECT_EQ(display.LastWaitTimeout(), std::nullopt);

    const int timer = window->AddTimer(250);
    Pass();
    EXPECT_EQ(display.LastWaitTimeout(), microseconds(250'000));
    AdvanceMilliseconds(100);
    Pass();
    EXPECT_EQ(display.LastWaitTimeout(), microseconds(150'000));
    window->RemoveTimer(timer);

    // A looping animation of 4285 sixtieths of a millisecond (71.4 ms).
    MakeSolidPicture(L"frame a", 4, 4, 0xFF0000FF);
    MakeSolidPicture(L"frame b", 4, 4, 0xFF00FF00);
    auto* ripple = new IMAnimationBase<IMSequenceView>(window, 95);
    ripple->AddFrame(L"frame a");
    ripple->AddFrame(L"frame b");
    ripple->SetLastFrame(1);
    ripple->period = 4285;
    ripple->OnStop.connect([ripple](const IMEvent&) { return ripple->Play(); });
    ripple->Play();
    Pass();
    // 4285 / 60 ms, rounded up to the next microsecond.
    EXPECT_EQ(display.LastWaitTimeout(), microseconds(71'417));
    AdvanceMilliseconds(71);
    Pass();
    EXPECT_EQ(ripple->GetFrame(), 0);
    EXPECT_EQ(display.LastWaitTimeout(), microseconds(417));
    clock.Advance(microseconds(417));
    Pass();
    EXPECT_EQ(ripple->GetFrame(), 1);
    EXPECT_EQ(display.LastWaitTimeout(), microseconds(71'417));

    // A change after this pass's frame (here a child added by a timer) is
    // drawn at once.
    ripple->OnStop.disconnect_all_slots();
    ripple->Stop();
    window->ConnectTimer(window->AddTimer(0), [this](const IMEvent&) {
        MakeBox(window, 0, {0, 0, 1, 1});
        return 0L;
    });
    Pass();
    EXPECT_EQ(display.LastWaitTimeout(), microseconds(0));

    SetIdleWait(IdleWait::OneMillisecond);
    window->timers.clear();
    Pass(2);
    EXPECT_EQ(display.LastWaitTimeout(), microseconds(1000));
}
