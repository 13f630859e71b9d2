// The program's one top-level window and its input: what user32 gave the
// framework (the window, its events as Win32 messages, the pointer and key
// state, the cursor's display counter), over SDL2 or over the headless twin.
#pragma once

#include "platform/Types.h"

#include <chrono>
#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct SDL_Window;

namespace platform {

// The window as the graphics device takes it (platform/graphics).
struct NativeWindow;

// The scene every screen is drawn in; the window shows it at any display size.
inline constexpr int kSceneWidth = 800;
inline constexpr int kSceneHeight = 600;

// A placement position that lets the system choose, as CreateWindowExW's.
inline constexpr int CW_USEDEFAULT = INT_MIN;

class WindowBackend;

// Stands for the window handle: non-null while the main window exists (for
// the headless twin too), null before it is opened and after it is closed.
using WindowHandle = WindowBackend*;

enum class WindowMode { FullScreen, Windowed };

// Opens the main window, hidden until ShowMainWindow. While a HeadlessWindow
// exists it is the window and nothing is opened on a display. Full screen
// covers the whole display and letterboxes the scene; windowed uses the
// placement's position (CW_USEDEFAULT: the system's) and the scene's size.
// On failure returns null and says why in error.
WindowHandle OpenMainWindow(const std::wstring& title, const Rect& placement, WindowMode mode,
                            std::string& error);
void ShowMainWindow();
// Closes the window opened by OpenMainWindow; nothing when none is open.
void CloseMainWindow();
WindowHandle MainWindowBackend();

// The SDL window the graphics device draws into, as SDL's type and as the
// graphics device's; null for the headless twin.
SDL_Window* MainSdlWindow();
NativeWindow* MainNativeWindow();

// Turns the window's pending platform events into messages of the queue
// (platform/MessageQueue.h), in the order they happened.
void PumpWindowEvents();

// Blocks until input arrives, a message is posted from any thread, or the
// time-out passes (none: no time-out). Returns at once when a message is
// already queued. The headless twin under a ManualClock does not block.
void WaitForWindowInput(std::optional<std::chrono::microseconds> timeout);

// The window's client area and the pointer, both in scene pixels; the pointer
// lies outside the client area when it is in the letterbox or off the window.
Rect GetClientRect();
Point GetCursorPos();

// The state of a virtual key at this moment: the most significant bit is set
// while it is held (VK_CONTROL, VK_SHIFT, VK_MENU, letters, …).
int16_t GetAsyncKeyState(uint32_t virtualKey);

// The pointer's display counter: ShowCursor(true) increments it, false
// decrements it; the pointer is visible while it is not negative. Returns
// the new value.
int ShowCursor(bool show);

// Called on the main thread when the platform reports that the graphics
// device lost its contents (before the WM_PAINT that follows); the graphics
// layer marks its device lost there.
void SetDeviceResetHandler(std::function<void()> handler);

} // namespace platform
