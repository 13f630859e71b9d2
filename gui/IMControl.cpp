// The control logic every control shares: state changes with their signals,
// click synthesis, keyboard signals, focus, and removal through the parent.
#include "gui/IMControl.h"

#include <algorithm>

#include "gui/DamageRegion.h"
#include "gui/IMDialogBase.h"

using namespace platform;

IMControl::IMControl(Dialog* parentDialog, int layer)
    : parent(parentDialog), lifetime(std::make_shared<int>(0)) {
    if (parent)
        parent->AddChild(this, layer);
}

IMControl::~IMControl() = default;

void IMControl::Reserved() {}

void IMControl::SetFocus(bool focus) {
    if (!IsFocusable() || focus == focused)
        return;
    if (focus)
        HandleFocus(IMEvent(this, IMEventCode::Focus));
    else
        HandleKillFocus(IMEvent(this, IMEventCode::KillFocus));
}

long IMControl::Disable() {
    Fire(OnDisable, IMEvent(this, IMEventCode::State));
    enabled = false;
    return 0;
}

long IMControl::Enable() {
    Fire(OnEnable, IMEvent(this, IMEventCode::State));
    enabled = true;
    return 0;
}

long IMControl::Hide() {
    Fire(OnHide, IMEvent(this, IMEventCode::State));
    hidden = true;
    return 0;
}

long IMControl::Show() {
    Fire(OnShow, IMEvent(this, IMEventCode::State));
    hidden = false;
    return 0;
}

long IMControl::Close(const IMEvent& event) {
    Fire(OnClose, IMEvent(this, IMEventCode::Close));
    return Destroy(event);
}

void IMControl::SetDirty(bool dirty) {
    if (!dirty)
        return;
    Fire(OnDirty, IMEvent(this, IMEventCode::State));
    if (parent)
        parent->UpdateHover(
            IMMouseEvent(this, WM_MOUSEMOVE, 0, parent->lastMouseX, parent->lastMouseY));
}

long IMControl::HandleMouseMove(const IMMouseEvent& event) {
    FireCopy(OnMouseMove, event);
    return 0;
}

long IMControl::HandleMouseButton(const IMMouseEvent& event) {
    // A click needs the press and the release on the same control: the
    // pressed flag says a button went down here.
    if (IsPressed()) {
        int click = 0;
        if (event.IsMessage(WM_LBUTTONUP))
            click = IMEventCode::LeftClick;
        else if (event.IsMessage(WM_RBUTTONUP))
            click = IMEventCode::RightClick;
        else if (event.IsMessage(WM_MBUTTONUP))
            click = IMEventCode::MiddleClick;
        if (click != 0 && IsEnabled())
            Fire(OnClick, IMMouseEvent(this, click, event.wParam, event.x, event.y));
    }
    constexpr uint32_t buttons = MK_LBUTTON | MK_RBUTTON | MK_MBUTTON;
    if (event.IsMessage(WM_MOUSEWHEEL)) {
        // The wheel's key state counts only when exactly one button is held
        // and nothing else (Shift or Ctrl with it does not count).
        const uint16_t keys = LoWord(event.wParam);
        pressed = keys == MK_LBUTTON || keys == MK_RBUTTON || keys == MK_MBUTTON;
    } else {
        pressed = (event.wParam & buttons) != 0;
    }
    if (IsEnabled()) {
        FireCopy(OnMouseButton, event);
        if (event.IsMessage(WM_LBUTTONDBLCLK))
            FireCopy(OnDoubleClick, event);
    }
    return 0;
}

long IMControl::PerformClick(const IMMouseEvent& event) {
    FireCopy(OnClick, event);
    return 0;
}

long IMControl::HandleMouseEnter(const IMMouseEvent& event) {
    mouseOver = true;
    FireCopy(OnMouseEnter, event);
    return 0;
}

long IMControl::HandleMouseLeave(const IMMouseEvent& event) {
    mouseOver = false;
    FireCopy(OnMouseLeave, event);
    return 0;
}

long IMControl::HandleKey(const IMKeyboardEvent& event) {
    IMKeyboardEvent copy(event);
    copy.control = this;
    if (copy.IsMessage(WM_KEYDOWN) || copy.IsMessage(WM_SYSKEYDOWN))
        Fire(OnKeyDown, copy);
    if (copy.IsMessage(WM_KEYUP) || copy.IsMessage(WM_SYSKEYUP))
        Fire(OnKeyUp, copy);
    Fire(OnKey, copy);
    return 0;
}

long IMControl::Draw(const IMEvent&) {
    DrawView();
    SetDirty(false);
    Fire(OnDraw, IMEvent(this, IMEventCode::Draw));
    return 0;
}

long IMControl::Update(const IMEvent&) {
    UpdateSelf();
    Fire(OnUpdate, IMEvent(this, IMEventCode::Update));
    return 0;
}

long IMControl::Destroy(const IMEvent&) {
    return Remove();
}

long IMControl::HandleFocus(const IMEvent&) {
    if (IsFocusable()) {
        focused = true;
        Fire(OnFocus, IMEvent(this, IMEventCode::Focus));
    }
    return 0;
}

long IMControl::HandleKillFocus(const IMEvent&) {
    if (IsFocusable()) {
        focused = false;
        Fire(OnKillFocus, IMEvent(this, IMEventCode::KillFocus));
    }
    return 0;
}

long IMControl::Remove() {
    // The focus signals stay connected: the parent's focus tracker must hear
    // about the focus leaving a control that is on its way out.
    for (auto* signal :
         {&OnDraw, &OnClose, &OnUpdate, &OnDisable, &OnEnable, &OnHide, &OnShow, &OnDirty})
        signal->disconnect_all_slots();
    for (auto* signal :
         {&OnMouseMove, &OnMouseButton, &OnClick, &OnMouseEnter, &OnMouseLeave, &OnDoubleClick})
        signal->disconnect_all_slots();
    for (auto* signal : {&OnKey, &OnKeyDown, &OnKeyUp})
        signal->disconnect_all_slots();
    if (parent)
        parent->RemoveChild(this);
    return 0;
}

void IMControl::UpdateSelf() {}

std::optional<int64_t> IMControl::NextWakeUp() const {
    return std::nullopt;
}

bool IMControl::AddDamage(int originX, int originY, const platform::Rect& clip,
                          DamageRegion& damage) const {
    const platform::Rect bounds = DrawnBounds();
    const bool hidden = IsHidden();
    if (bounds != drawnBounds || hidden != drawnHidden) {
        // What was drawn goes, what is drawn now comes: both places are drawn again.
        damage.Add(platform::IntersectRect(LastDrawnBounds().Offset(originX, originY), clip));
        if (!hidden)
            damage.Add(platform::IntersectRect(bounds.Offset(originX, originY), clip));
        return true;
    }
    if (!IsDirty() || hidden)
        return true;
    // Marked dirty but showing what it showed (a boat turned to the way it already faces).
    if (const std::optional<uint64_t> look = Look(); look && drawnLook && *look == *drawnLook)
        return true;
    damage.Add(platform::IntersectRect(bounds.Offset(originX, originY), clip));
    return true;
}

void IMControl::GrowDamage(int originX, int originY, const platform::Rect& clip,
                           DamageRegion& damage, bool& grown) const {
    if (IsHidden() || DrawsTheSameWhenCut())
        return;
    const platform::Rect whole = platform::IntersectRect(DrawnBounds().Offset(originX, originY), clip);
    if (whole.IsEmpty())
        return;
    for (const platform::Rect& rect : damage.Rectangles()) {
        const platform::Rect met = platform::IntersectRect(rect, whole);
        if (!met.IsEmpty() && met != whole) {
            damage.Add(whole);
            grown = true;
            return;
        }
    }
}

bool IMControl::CoversOpaquely(int originX, int originY, const platform::Rect& clip,
                               const platform::Rect& rect) const {
    platform::Rect cover, hole;
    if (!OpaqueCover(cover, hole))
        return false;
    cover = platform::IntersectRect(cover.Offset(originX, originY), clip);
    return platform::IntersectRect(cover, rect) == rect &&
           platform::IntersectRect(hole.Offset(originX, originY), rect).IsEmpty();
}

void IMControl::KeepDrawnState() {
    drawnBounds = DrawnBounds();
    drawnHidden = IsHidden();
    drawnLook = Look();
}
