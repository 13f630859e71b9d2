// The system's requests to end the program (SIGTERM from a shutdown or a kill, SIGINT from
// Ctrl+C, SIGHUP from a closed terminal or a logout) turned into a close of the main window, so
// that the program ends the way it ends when the child closes it, saving what it saves then.
// Internal to platform/window; the real window starts it for its lifetime.
#pragma once

namespace platform {

// Installs handlers for the three signals. The first request posts WM_CLOSE to the main
// window's queue; the ones after it change nothing, the program being on its way out already.
// The handlers only write to a pipe; a thread of our own does the posting. A second start
// does nothing. False when the handlers could not be set up (the signals then keep the
// system's default, which ends the process at once).
bool StartTerminationRequests();

// Puts back the handlers that were there before and ends the thread.
void StopTerminationRequests();

} // namespace platform
