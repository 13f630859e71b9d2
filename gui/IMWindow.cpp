// The root window: timers, frame rendering, window-level pointer tracking and
// the order in which the program's window comes down.
#include "gui/IMWindow.h"

#include "gui/DefaultSkin.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/MessageQueue.h"

#include <algorithm>

using namespace platform;

WindowHandle MainWindowHandle = nullptr;
IMWindow* MainWindow = nullptr;

IMWindow::IMWindow() : IMDialogBase<IMEmptyView>(nullptr, 0) {}

IMWindow::~IMWindow() {
    ProcessRemovals();
    // Normally closing the window has queued every child already; whatever is
    // left goes now, while its pictures can still be released.
    DeleteAllChildren();
    if (Renderer) {
        // Sound labels must not reach for the timers below once they are gone.
        Renderer->SetLabelTimers(nullptr);
        ReleaseDefaultSkin(*Renderer);
        Renderer->ReportFrameRate();
        delete Renderer;
        Renderer = nullptr;
    }
    if (MainWindow == this)
        MainWindow = nullptr;
    CloseMainWindow();
    MainWindowHandle = nullptr;
    timers.clear();
}

int IMWindow::AddTimer(uint32_t interval) {
    auto timer = std::make_shared<Timer>();
    timer->interval = interval;
    timer->start = PerformanceCounter();
    timers[++lastTimerId] = std::move(timer);
    return lastTimerId;
}

void IMWindow::RemoveTimer(int id) {
    auto it = timers.find(id);
    if (it == timers.end())
        return;
    it->second->OnTimer.disconnect_all_slots();
    timers.erase(it);
}

boost::signals2::connection IMWindow::ConnectTimer(int id,
                                                   const IMEventSignal::slot_type& handler) {
    auto it = timers.find(id);
    if (it == timers.end())
        return {};
    return it->second->OnTimer.connect(handler);
}

long IMWindow::Remove() {
    PostQuitMessage(0);
    return 0;
}

void IMWindow::UpdateSelf() {
    const Rect client = GetClientRect();
    const Point cursor = GetCursorPos();
    const bool inside = PtInRect(client, cursor.x, cursor.y);
    if (inside && !IsMouseOver())
        HandleMouseEnter(IMMouseEvent(this, IMEventCode::MouseEnter, 0, cursor.x, cursor.y));
    else if (!inside && IsMouseOver())
        HandleMouseLeave(IMMouseEvent(this, IMEventCode::MouseLeave, 0, cursor.x, cursor.y));
}

void IMWindow::RenderFrame() {
    if (suspended || !Renderer)
        return;
    // The counter counts passes that got here, drawn or not: the reported
    // frame rate is the loop's rate.
    if (!IsDirty()) {
        ++Renderer->frameCount;
        return;
    }
    // The scene is drawn into a kept picture. When it still holds the last frame, only the
    // rectangles of what changed are drawn again, every control clipped to them, so the pixels
    // are those a whole frame would give; the display is then handed only those rectangles.
    // Marking the window itself dirty (an expose, a device reset) draws everything.
    const Rect scene = GetRect();
    bool intact = false;
    const bool kept = Renderer->BeginKeptScene(intact);
    DamageRegion damage;
    bool partial = kept && intact && !IMEmptyView::dirty && !Renderer->DrawsWholeFrames() &&
                   AddDamage(0, 0, scene, damage);
    // A picture met by the damage that would come out differently cut is drawn whole; that may
    // reach further pictures, a few rounds at most.
    for (int round = 0; partial && round < 8; ++round) {
        bool grown = false;
        GrowDamage(0, 0, scene, damage, grown);
        if (!grown)
            break;
    }
    // Past most of the scene one rectangle is cheaper than several.
    if (partial && damage.Area() * 4 >= static_cast<long long>(scene.Width()) * scene.Height() * 3)
        partial = false;
    lastFrameWhole = !partial;
    lastDamage = partial ? damage.Rectangles() : std::vector<Rect>{scene};
    if (partial) {
        // The black a whole frame starts from, where no opaque picture will cover it anyway.
        for (const Rect& rect : lastDamage)
            if (!CoversOpaquely(0, 0, scene, rect))
                Renderer->FillRect(rect, 0xFF000000);
        Renderer->SetDrawingRegion(&lastDamage);
    } else {
        Renderer->Clear(0xFF000000);
    }
    Renderer->BeginScene();
    if (!partial || !lastDamage.empty())
        Draw(IMEvent(this, IMEventCode::Draw));
    ++Renderer->frameCount;
    Renderer->EndScene();
    Renderer->SetDrawingRegion(nullptr);
    if (kept)
        Renderer->EndKeptScene();
    if (partial)
        Renderer->PresentChanged(lastDamage);
    else
        Renderer->Present();
    SetDirty(false);
    KeepDrawnState();
}

void IMWindow::FireDueTimers() {
    if (timers.empty())
        return;
    const int64_t now = PerformanceCounter();
    const int64_t frequency = PerformanceFrequency();
    // By id rather than by iterator: a handler may remove any timer, the one
    // being fired or the next, and may add new ones (which come later).
    for (auto it = timers.begin(); it != timers.end();) {
        const int id = it->first;
        const std::shared_ptr<Timer> timer = it->second;
        const auto elapsed = static_cast<uint32_t>((now - timer->start) * 1000 / frequency);
        if (elapsed >= timer->interval) {
            timer->start = PerformanceCounter();
            if (!timer->OnTimer.empty())
                timer->OnTimer(IMEvent(this, IMEventCode::State));
        }
        it = timers.upper_bound(id);
    }
}

std::optional<int64_t> IMWindow::NextTimerDue() const {
    std::optional<int64_t> earliest;
    const int64_t frequency = PerformanceFrequency();
    for (const auto& [id, timer] : timers) {
        const int64_t period = std::max<int64_t>(timer->interval, 1);
        const int64_t due = timer->start + (period * frequency + 999) / 1000;
        if (!earliest || due < *earliest)
            earliest = due;
    }
    return earliest;
}
