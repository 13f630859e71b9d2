// The control: one node of the tree under the main window, with its state
// flags, its nineteen signals and the operations every control answers.
// Controls draw through a view (IMViewControl, gui/IMViewControl.h); this
// class holds the control logic only.
#pragma once

#include "gui/IMEvent.h"
#include "platform/Types.h"

#include <boost/function.hpp>
#include <boost/signals2/dummy_mutex.hpp>
#include <boost/signals2/optional_last_value.hpp>
#include <boost/signals2/signal_type.hpp>
#include <boost/signals2/trackable.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

template <class View> class IMDialogBase;
class IMEmptyView;
class DamageRegion;

// Handlers take their event by constant reference and return long, which
// the framework ignores; the result of a signal is the last handler's.
// Handlers connect in integer groups. Everything here runs on the main
// thread, so the signals take no locks.
template <class Event>
using IMSignal =
    boost::signals2::signal<long(const Event&), boost::signals2::optional_last_value<long>, int,
                            std::less<int>, boost::function<long(const Event&)>,
                            boost::function<long(const boost::signals2::connection&, const Event&)>,
                            boost::signals2::dummy_mutex>;

using IMEventSignal = IMSignal<IMEvent>;
using IMMouseSignal = IMSignal<IMMouseEvent>;
using IMKeyboardSignal = IMSignal<IMKeyboardEvent>;

// Controls are trackable: a handler made with boost::bind of a member
// function and a control pointer is disconnected when that control dies.
// A lambda can be tracked the same way with
// `IMEventSignal::slot_type(lambda).track_foreign(control->LifetimeToken())`.
class IMControl : public boost::signals2::trackable {
public:
    using Dialog = IMDialogBase<IMEmptyView>;

    // Adds the control to the parent (null for the root window); it takes
    // part in drawing, hit testing and dispatch from the parent's next update
    // tick on.
    IMControl(Dialog* parentDialog, int layer);
    virtual ~IMControl();
    IMControl(const IMControl&) = delete;
    IMControl& operator=(const IMControl&) = delete;

    Dialog* parent;

    IMEventSignal OnDraw;
    IMEventSignal OnClose;
    IMEventSignal OnUpdate;
    IMEventSignal OnDisable;
    IMEventSignal OnEnable;
    IMEventSignal OnHide;
    IMEventSignal OnShow;
    IMEventSignal OnDirty;
    IMEventSignal OnFocus;
    IMEventSignal OnKillFocus;
    IMMouseSignal OnMouseMove;
    IMMouseSignal OnMouseButton;
    IMMouseSignal OnClick;
    IMMouseSignal OnMouseEnter;
    IMMouseSignal OnMouseLeave;
    IMMouseSignal OnDoubleClick;
    IMKeyboardSignal OnKey;
    IMKeyboardSignal OnKeyDown;
    IMKeyboardSignal OnKeyUp;

    bool mouseOver = false;
    // A mouse button was down at the last button message the control got.
    bool pressed = false;
    bool enabled = true;
    bool hidden = false;
    bool focused = false;
    // Never set by the program; while set, the control accepts no children.
    bool locked = false;
    bool focusable = false;

    virtual void Reserved();
    virtual void SetFocus(bool focus);
    virtual long Disable();
    virtual long Enable();
    virtual long Hide();
    virtual long Show();
    // Fires OnClose, then Destroy with the same event.
    virtual long Close(const IMEvent& event);
    // true: fires OnDirty and lets the parent re-check which child is under
    // the pointer, since the change may have moved or hidden this one.
    virtual void SetDirty(bool dirty);
    virtual bool IsDirty() const = 0;
    virtual bool IsFocusable() const { return focusable; }
    virtual void SetFocusable(bool value) { focusable = value; }
    virtual bool IsEnabled() const { return enabled; }
    virtual bool IsHidden() const { return hidden; }
    virtual bool IsMouseOver() const { return mouseOver; }
    virtual bool IsPressed() const { return pressed; }
    virtual bool IsLocked() const { return locked; }
    virtual bool IsFocused() const { return focused; }
    // x, y in the parent's coordinates.
    virtual bool HitTest(int x, int y) const = 0;
    virtual long HandleMouseMove(const IMMouseEvent& event);
    // Click synthesis, the pressed flag, OnMouseButton and OnDoubleClick.
    virtual long HandleMouseButton(const IMMouseEvent& event);
    virtual long PerformClick(const IMMouseEvent& event);
    virtual long HandleMouseEnter(const IMMouseEvent& event);
    virtual long HandleMouseLeave(const IMMouseEvent& event);
    virtual long HandleKey(const IMKeyboardEvent& event);
    virtual long Draw(const IMEvent& event);
    virtual long Update(const IMEvent& event);
    virtual long Destroy(const IMEvent& event);
    virtual long HandleFocus(const IMEvent& event);
    virtual long HandleKillFocus(const IMEvent& event);
    virtual void SetRect(const platform::Rect& rect) = 0;
    virtual platform::Rect GetRect() const = 0;
    // Disconnects every handler but the focus ones and asks the parent to
    // delete the control at its next update tick; the control stays alive
    // (and drawn) until then, so it may call this from its own handlers.
    virtual long Remove();
    virtual void DrawView() = 0;
    // Per-tick work of the control itself; runs first in Update.
    virtual void UpdateSelf();
    // When the control next needs an update tick without any input, in
    // performance-counter ticks (platform/Clock.h); none when only input or
    // timers change it. The main loop sleeps until the earliest of these, so
    // a control whose look changes with time (an animation) must answer.
    virtual std::optional<int64_t> NextWakeUp() const;

    // Redrawing only what changed. The window keeps the scene it drew last and, before a frame,
    // asks the tree which screen pixels changed since. AddDamage adds to `damage` this control's
    // changed pixels, seen through `clip`, with the parent's top-left corner at (originX,
    // originY) on the screen: where it is drawn now if its look changed, and also where it was
    // drawn last if it moved, turned, appeared or vanished. False when the change cannot be
    // bounded so and the whole scene must be drawn. KeepDrawnState records, after a frame, what
    // was drawn.
    virtual bool AddDamage(int originX, int originY, const platform::Rect& clip,
                           DamageRegion& damage) const;
    virtual void KeepDrawnState();
    // Every pixel the control may draw, in its parent's coordinates.
    virtual platform::Rect DrawnBounds() const { return GetRect(); }
    // What the control shows, as a number that changes whenever its pixels may; none when it
    // cannot tell. A dirty control whose look is the one drawn last adds no damage.
    virtual std::optional<uint64_t> Look() const { return std::nullopt; }
    // True when the control, as it will be drawn, covers `cover` (in its parent's coordinates)
    // with fully opaque pixels outside `hole`: changes below it there cannot be seen.
    virtual bool OpaqueCover(platform::Rect& cover, platform::Rect& hole) const {
        (void)cover;
        (void)hole;
        return false;
    }
    // True when the control, placed at (originX, originY) and seen through `clip`, draws fully
    // opaque pixels over all of `rect` (screen coordinates): what lay there before cannot show.
    virtual bool CoversOpaquely(int originX, int originY, const platform::Rect& clip,
                                const platform::Rect& rect) const;
    // A control that draws differently when cut by a clip rectangle (see IMView) is drawn whole
    // wherever the damage reaches it: GrowDamage adds the whole of each such control that the
    // damage touches, seen through `clip`, and sets `grown` when it added anything.
    virtual bool DrawsTheSameWhenCut() const { return true; }
    virtual void GrowDamage(int originX, int originY, const platform::Rect& clip,
                            DamageRegion& damage, bool& grown) const;
    // Where the last frame drew the control, in its parent's coordinates; empty when it was not
    // drawn.
    platform::Rect LastDrawnBounds() const { return drawnHidden ? platform::Rect{} : drawnBounds; }

    // Lives exactly as long as the control: a handler that tracks it (see
    // above) is disconnected when the control dies.
    const std::shared_ptr<void>& LifetimeToken() const { return lifetime; }

protected:
    // Runs the signal only when it has handlers.
    template <class Signal, class Event> static void Fire(Signal& signal, const Event& event) {
        if (!signal.empty())
            signal(event);
    }
    // Runs the signal with a copy of the event whose control is this one.
    template <class Signal, class Event> void FireCopy(Signal& signal, const Event& event) {
        if (signal.empty())
            return;
        Event copy(event);
        copy.control = this;
        signal(copy);
    }

    // What the window last drew of the control.
    platform::Rect drawnBounds{};
    bool drawnHidden = true;
    std::optional<uint64_t> drawnLook;

private:
    std::shared_ptr<void> lifetime;
};
