// The main window's message queue: Windows' PostMessage, PeekMessage and
// RegisterWindowMessage. Any thread may post (the sound workers do); only the
// main thread takes messages out. The window backend feeds translated input
// into the same queue, so the loop sees one ordered stream of messages.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

struct Message {
    uint32_t message = 0;
    uint32_t wParam = 0;
    int32_t lParam = 0;
};

// Returns the number registered for the name, the same for the same name, in
// WM_REGISTERED_FIRST … WM_REGISTERED_LAST; 0 when the range is exhausted.
uint32_t RegisterWindowMessage(const std::wstring& name);

// Appends a message; safe from any thread. Always succeeds (returns true, as
// PostMessage does for a live window).
bool PostMessage(uint32_t message, uint32_t wParam, int32_t lParam);

// PostQuitMessage: appends WM_QUIT with the exit code in wParam.
void PostQuitMessage(int exitCode);

// Removes and returns the oldest message, if any (PeekMessage with PM_REMOVE).
bool PeekMessage(Message& message);

// Waits until a message is queued or the time-out passes; true when one is
// queued. Zero returns at once.
bool WaitForMessage(std::chrono::microseconds timeout);

// Number of queued messages (for tests and the loop's accounting).
size_t QueuedMessageCount();

// Discards every queued message (tests, and the window's teardown).
void ClearMessages();

// A backend that blocks in its own wait (SDL's) installs a waker: it is called,
// from the posting thread, after every post. An empty function removes it.
void SetMessageWaker(std::function<void()> waker);

} // namespace platform
