// The root control: the one full-screen dialog at the top of the tree, with
// the window's timers, its frame rendering and the pointer tracking of the
// window as a whole. Also the framework's globals.
#pragma once

#include "gui/IMDialogBase.h"
#include "platform/window/Window.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class IMWindow : public IMDialogBase<IMEmptyView> {
public:
    struct Timer {
        // Period in milliseconds.
        uint32_t interval = 0;
        // Performance-counter value at creation or at the last firing.
        int64_t start = 0;
        IMEventSignal OnTimer;
    };

    // No parent, the whole back buffer, layer 0.
    IMWindow();
    // Deletes the tree, then the media layer, then the window.
    ~IMWindow() override;

    // True while minimised or hidden: nothing is rendered, but updates run
    // and timers fire.
    bool suspended = false;
    // Ids start at 1 and are never reused.
    int lastTimerId = 0;
    // Shared so that a timer removed by its own handler lives until the
    // handler returns.
    std::map<int, std::shared_ptr<Timer>> timers;

    int AddTimer(uint32_t interval);
    // Ids not in the table (0 included) are ignored.
    void RemoveTimer(int id);
    // An empty connection for an id not in the table.
    boost::signals2::connection ConnectTimer(int id, const IMEventSignal::slot_type& handler);

    // Posts the quit message: removing the root ends the program.
    long Remove() override;
    // Enter and leave for the window as a whole, from the pointer position.
    void UpdateSelf() override;
    // Renders one frame if anything in the tree is dirty.
    virtual void RenderFrame();
    // What the last frame drew: the whole scene, or only the disjoint rectangles of `lastDamage`
    // (none when nothing that changed could be seen) over the kept scene.
    bool lastFrameWhole = true;
    std::vector<platform::Rect> lastDamage;

    // The main loop's timer step: every due timer fires once, in ascending id
    // order; each period starts at its firing.
    void FireDueTimers();
    // When the next timer is due, in performance-counter ticks; none without
    // timers. A timer of interval 0 fires on every pass, and passes come a
    // millisecond apart, so it counts as due a millisecond after its firing.
    std::optional<int64_t> NextTimerDue() const;
};

// The window (non-null from CreateMainWindow until the root is deleted).
extern platform::WindowHandle MainWindowHandle;
extern IMWindow* MainWindow;
