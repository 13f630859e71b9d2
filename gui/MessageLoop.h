// Creating the main window, its window procedure and the message loop that
// drives the whole program: drain the messages, update the tree, render when
// something is dirty, fire due timers, then sleep until something is due.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <string>

class IMWindow;

// Opens the window (full screen unless windowed; placement gives the
// position, CW_USEDEFAULT for the system's, and the client size), starts the
// media layer on it and creates the root control, which it stores in
// MainWindow and returns. A window or graphics device that cannot be created
// ends the process with a message on stderr and exit code 1.
IMWindow* CreateMainWindow(const platform::Rect& placement, const std::wstring& title,
                           bool windowed);

// Turns one message into events for the tree (MainWindow). Returns 0.
long MainWindowProc(uint32_t message, uint32_t wParam, int32_t lParam);

// Runs until WM_QUIT is retrieved; returns 0.
int RunMessageLoop(IMWindow& window);

// One pass of the loop: drains every queued message, then the idle work,
// the timers and the wait. False once WM_QUIT has been retrieved (the pass
// stops there). Tests drive the loop with it.
bool RunMessageLoopPass(IMWindow& window);

// How the loop waits when it has nothing to do.
enum class IdleWait {
    // Until the next timer or animation frame is due, or input arrives.
    UntilDue,
    // At most a millisecond per pass, whatever is due (for measurements).
    OneMillisecond,
};
void SetIdleWait(IdleWait mode);

struct MessageLoopStatistics {
    // Passes of the loop; each ends in one wait, so this counts wake-ups.
    uint64_t passes = 0;
    uint64_t messages = 0;
};
MessageLoopStatistics& LoopStatistics();
