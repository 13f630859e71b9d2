// The main window's creation, its window procedure and the message loop.
#include "gui/MessageLoop.h"

#include "gui/DefaultSkin.h"
#include "gui/IMWindow.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/MessageQueue.h"
#include "platform/TextCodec.h"
#include "platform/WinCodes.h"
#include "platform/window/Window.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>

using namespace platform;

namespace {

IdleWait idleWait = IdleWait::UntilDue;
MessageLoopStatistics statistics;

// While the device is lost and nothing else happens, the loop asks for a
// repaint this often, so a failed re-creation is tried again.
constexpr std::chrono::milliseconds kLostDeviceRetry{100};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "zeltarik: %s\n", what.c_str());
    std::exit(1);
}

// The media layer's messages are code page 1251 text.
std::string FromCp1251(const std::string& text) {
    return WideToUtf8(Cp1251ToWide(text));
}

bool DeviceLost() {
    return Renderer && Renderer->IsDeviceLost();
}

// The sound system's labels run on the main window's timers.
class WindowSoundTimers final : public SoundTimers {
public:
    int AddLabelTimer(uint32_t intervalMilliseconds,
                      std::function<void(int timerId)> onTimer) override {
        if (!MainWindow)
            return 0;
        const int id = MainWindow->AddTimer(intervalMilliseconds);
        MainWindow->ConnectTimer(id, [id, onTimer](const IMEvent&) {
            onTimer(id);
            return 0L;
        });
        return id;
    }
    void RemoveLabelTimer(int timerId) override {
        if (MainWindow)
            MainWindow->RemoveTimer(timerId);
    }
};

WindowSoundTimers soundTimers;

long DefWindowProc(uint32_t, uint32_t, int32_t) {
    return 0;
}

} // namespace

IMWindow* CreateMainWindow(const Rect& placement, const std::wstring& title, bool windowed) {
    std::string error;
    MainWindowHandle = OpenMainWindow(
        title, placement, windowed ? WindowMode::Windowed : WindowMode::FullScreen, error);
    if (!MainWindowHandle)
        Fail(error);

    Renderer = new IMResourceManager();
    Renderer->startTime = TimeGetTime();
    Renderer->frameCount = 0;
    Renderer->window = MainNativeWindow();
    // Without sound the program runs silently.
    Renderer->InitSound(MainWindowHandle);
    int result = 1;
    try {
        result =
            Renderer->InitDirect3D(MainNativeWindow(), windowed, kSceneWidth, kSceneHeight, 75);
    } catch (const std::exception& e) {
        Fail(FromCp1251(e.what()));
    }
    if (result != 0)
        Fail(FromCp1251(CannotCreateDeviceText()));
    SetDeviceResetHandler([] {
        if (Renderer)
            Renderer->NotifyDeviceLost();
    });
    RegisterDefaultSkin(*Renderer);

    MainWindow = new IMWindow();
    Renderer->SetLabelTimers(&soundTimers);
    ShowMainWindow();
    MainWindowProc(WM_PAINT, 0, 0);
    return MainWindow;
}

long MainWindowProc(uint32_t message, uint32_t wParam, int32_t lParam) {
    // The sound notifications reach their streams first, then go on through
    // the table like any other message.
    if (Renderer)
        Renderer->RouteSoundMessage(message, wParam, lParam);
    IMWindow* window = MainWindow;
    if (!window) {
        if (message == WM_DESTROY)
            PostQuitMessage(0);
        return DefWindowProc(message, wParam, lParam);
    }
    const int x = XFromLParam(lParam);
    const int y = YFromLParam(lParam);
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_SIZE:
        window->suspended = wParam == SIZE_MINIMIZED;
        break;
    case WM_PAINT:
        if (!DeviceLost() || Renderer->ResetDevice())
            window->SetDirty(true);
        break;
    case WM_CLOSE:
        // A close from outside (the window's close button, the system ending
        // the program) is the same as the program's own Close: the window's
        // OnClose handlers, which save the student's work, run before the tree
        // comes down.
        window->Close(IMEvent(window, IMEventCode::Close));
        break;
    case WM_SHOWWINDOW:
        window->suspended = wParam == 0;
        break;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        window->HandleKey(IMKeyboardEvent(window, static_cast<int>(message), wParam, lParam));
        break;
    case WM_MOUSEMOVE:
        if (!DeviceLost())
            window->HandleMouseMove(IMMouseEvent(window, WM_MOUSEMOVE, wParam, x, y));
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEWHEEL:
        window->HandleMouseButton(IMMouseEvent(window, static_cast<int>(message), wParam, x, y));
        break;
    case WM_ENTERSIZEMOVE:
        window->suspended = true;
        break;
    case WM_EXITSIZEMOVE:
        window->suspended = false;
        break;
    default:
        // Among others WM_RBUTTONDBLCLK and WM_MBUTTONDBLCLK: no control
        // sees them.
        break;
    }
    return DefWindowProc(message, wParam, lParam);
}

bool RunMessageLoopPass(IMWindow& window) {
    ++statistics.passes;

    // 1. Every queued message first, input translated as it comes.
    Message message;
    for (;;) {
        if (!PeekMessage(message)) {
            PumpWindowEvents();
            if (!PeekMessage(message))
                break;
        }
        ++statistics.messages;
        if (message.message == WM_QUIT)
            return false;
        MainWindowProc(message.message, message.wParam, message.lParam);
    }

    // 2. The update tick and, if anything is dirty, a frame.
    const bool lost = DeviceLost();
    if (MainWindow && !lost) {
        MainWindow->Update(IMEvent(MainWindow, IMEventCode::Update));
        MainWindow->RenderFrame();
    }

    // 3. Timers.
    window.FireDueTimers();

    // 4. Sleep until the earliest of: the next timer, the next change the
    // tree expects (an animation frame, a pending addition), a frame to draw
    // for a change made after this pass's frame; or until input arrives.
    const int64_t frequency = PerformanceFrequency();
    const int64_t now = PerformanceCounter();
    std::optional<int64_t> due = window.NextTimerDue();
    auto consider = [&due](std::optional<int64_t> when) {
        if (when && (!due || *when < *due))
            due = when;
    };
    if (MainWindow && !lost) {
        consider(MainWindow->NextWakeUp());
        if (!MainWindow->suspended && MainWindow->IsDirty())
            consider(now);
    }
    if (lost)
        consider(now + kLostDeviceRetry.count() * frequency / 1000);

    std::optional<std::chrono::microseconds> timeout;
    if (due)
        timeout =
            std::chrono::microseconds(std::max<int64_t>(*due - now, 0) * 1'000'000 / frequency);
    if (idleWait == IdleWait::OneMillisecond)
        timeout = std::chrono::milliseconds(1);
    WaitForWindowInput(timeout);

    if (lost && QueuedMessageCount() == 0) {
        PumpWindowEvents();
        if (QueuedMessageCount() == 0 && DeviceLost())
            PostMessage(WM_PAINT, 0, 0);
    }
    return true;
}

int RunMessageLoop(IMWindow& window) {
    while (RunMessageLoopPass(window)) {
    }
    return 0;
}

void SetIdleWait(IdleWait mode) {
    idleWait = mode;
}

MessageLoopStatistics& LoopStatistics() {
    return statistics;
}
