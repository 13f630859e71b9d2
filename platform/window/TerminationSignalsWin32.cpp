// The system's requests to end the program on Windows, turned into a close of
// the main window as on Linux: a logoff or shutdown (WM_QUERYENDSESSION, then
// WM_ENDSESSION) and Ctrl+C, Ctrl+Break or a closed console window.
//
// The session's end reaches SDL's window procedure, which lets a hook of ours
// see it first. The query posts the close and lets Windows go on asking the
// other programs; the message loop then closes the window, saving the
// workbook, before Windows sends the session's end, which it delivers only
// once the loop asks for messages again.
#include "platform/window/TerminationSignals.h"

#include "platform/MessageQueue.h"
#include "platform/WinCodes.h"

#include <SDL.h>
// After our own headers: windows.h makes macros of names they use.
#include <windows.h>
#undef PostMessage

#include <atomic>

namespace platform {
namespace {

constexpr UINT kQueryEndSession = 0x0011; // WM_QUERYENDSESSION
constexpr UINT kEndSession = 0x0016;      // WM_ENDSESSION

std::atomic<bool> started{false};
std::atomic<bool> requested{false};

void RequestClose() {
    if (!requested.exchange(true))
        PostMessage(WM_CLOSE, 0, 0);
}

void SDLCALL OnWindowsMessage(void*, void*, unsigned int message, Uint64 wParam, Sint64) {
    if (message == kQueryEndSession || (message == kEndSession && wParam != 0))
        RequestClose();
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        RequestClose();
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

bool StartTerminationRequests() {
    if (started.exchange(true))
        return true;
    requested = false;
    SDL_SetWindowsMessageHook(OnWindowsMessage, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    return true;
}

void StopTerminationRequests() {
    if (!started.exchange(false))
        return;
    SDL_SetWindowsMessageHook(nullptr, nullptr);
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

} // namespace platform
