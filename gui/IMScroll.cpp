// The scroll bar's layout, its position, the repeat of held buttons and the thumb drag.
#include "gui/IMScroll.h"

#include "gui/IMWindow.h"

#include <algorithm>
#include <cmath>

using platform::Rect;

namespace {

constexpr uint32_t kFirstRepeat = 500;
constexpr uint32_t kNextRepeats = 50;

Rect DefaultArea(IMControl::Dialog* parent) {
    const int width = parent ? parent->GetWidth() : 0;
    const int height = parent ? parent->GetHeight() : 0;
    return Rect{width - 16, 0, width, height};
}

void Place(IMControl* control, int x, int y, int width, int height) {
    control->SetRect(Rect{x, y, x + width, y + height});
}

} // namespace

IMScroll::IMScroll(Dialog* parentDialog, std::optional<Rect> area)
    : IMDialogBase<IMEmptyView>(parentDialog, 0, area.value_or(DefaultArea(parentDialog))) {
    trackPicture = CreatePicture(0, 0, L"ScrollBackground");
    auto button = [this](const wchar_t* name) {
        return CreateButton(0, 0, name, name, name, name);
    };
    upButton = button(L"ScrollButtonUp");
    downButton = button(L"ScrollButtonDown");
    trackBefore = button(L"ScrollBackground");
    trackAfter = button(L"ScrollBackground");
    thumb = button(L"ScrollSlider");

    for (Button* part : {upButton, downButton, trackBefore, trackAfter}) {
        auto repeat = [this, part](const IMMouseEvent& event) {
            return HandleButtonRepeat(part, event.code);
        };
        part->OnMouseButton.connect(repeat);
        part->OnMouseLeave.connect(repeat);
    }
    auto drag = [this](const IMMouseEvent& event) { return HandleThumbDrag(event); };
    thumb->OnMouseButton.connect(drag);
    // The window's handlers would outlive the bar if they did not follow it.
    if (MainWindow) {
        MainWindow->OnMouseButton.connect(
            IMMouseSignal::slot_type(drag).track_foreign(LifetimeToken()));
        MainWindow->OnMouseLeave.connect(
            IMMouseSignal::slot_type(drag).track_foreign(LifetimeToken()));
    }
    Relayout();
}

IMScroll::~IMScroll() {
    // The children go with the container right after this; only the window's timer and
    // handlers need ending here.
    activeConnection.disconnect();
    if (activity == Activity::Repeating && MainWindow)
        MainWindow->RemoveTimer(repeatTimerId);
}

void IMScroll::SetRect(const Rect& rect) {
    IMDialogBase<IMEmptyView>::SetRect(rect);
    Relayout();
}

void IMScroll::SetPos(int value) {
    value = std::max(value, minValue);
    value = std::min(value, maxValue - page);
    if (value == pos)
        return;
    pos = value;
    if (!OnScroll.empty())
        OnScroll(IMEvent(this, IMEventCode::State), pos);
    Relayout();
}

void IMScroll::Relayout() {
    const int w = GetWidth();
    const int h = GetHeight();
    const int track = h - 2 * w;
    const int range = maxValue - minValue;
    // A range that is not positive has no place on the track; everything sits at its start
    // rather than dividing by it.
    auto along = [track, range](int value) { return range > 0 ? value * track / range : 0; };
    Place(upButton, 0, 0, w, w);
    Place(trackBefore, 0, w, w, along(pos) + w);
    Place(downButton, 0, h - w, w, w);
    Place(trackAfter, 0, along(pos + page) + w, w, track - along(pos + page));
    Place(trackPicture, 0, 0, w, h);
    if (activity != Activity::Dragging)
        Place(thumb, 0, along(pos) + w, w, along(page));
}

int IMScroll::StepOf(const Button* source) const {
    if (source == upButton)
        return -(page / 10);
    if (source == downButton)
        return page / 10;
    if (source == trackBefore)
        return -page;
    return page;
}

void IMScroll::StartRepeat(Button* source, uint32_t interval) {
    if (!MainWindow)
        return;
    repeatTimerId = MainWindow->AddTimer(interval);
    activeConnection = MainWindow->ConnectTimer(
        repeatTimerId, IMEventSignal::slot_type([this, source](const IMEvent&) {
                           return HandleButtonRepeat(source, IMEventCode::State);
                       }).track_foreign(LifetimeToken()));
    activity = Activity::Repeating;
}

void IMScroll::StopRepeat() {
    if (activity != Activity::Repeating)
        return;
    activeConnection.disconnect();
    if (MainWindow)
        MainWindow->RemoveTimer(repeatTimerId);
    repeatTimerId = 0;
    activity = Activity::Idle;
}

void IMScroll::StopDrag() {
    if (activity != Activity::Dragging)
        return;
    activeConnection.disconnect();
    activity = Activity::Idle;
    Relayout();
}

long IMScroll::HandleButtonRepeat(Button* source, int code) {
    switch (code) {
    case static_cast<int>(platform::WM_LBUTTONDOWN):
        StopRepeat();
        StopDrag();
        SetPos(pos + StepOf(source));
        StartRepeat(source, kFirstRepeat);
        break;
    case IMEventCode::State:
        // A repeat tick: the next one comes sooner.
        if (activity != Activity::Repeating)
            break;
        activeConnection.disconnect();
        if (MainWindow)
            MainWindow->RemoveTimer(repeatTimerId);
        SetPos(pos + StepOf(source));
        StartRepeat(source, kNextRepeats);
        break;
    case static_cast<int>(platform::WM_LBUTTONUP):
    case IMEventCode::MouseLeave:
        StopRepeat();
        break;
    default:
        break;
    }
    return 0;
}

long IMScroll::HandleThumbDrag(const IMMouseEvent& event) {
    // Sources: the thumb's buttons (a press starts the drag), the window's buttons and its
    // leave (a release or the pointer leaving the window ends it), and while dragging the
    // window's pointer moves, in client coordinates.
    switch (event.code) {
    case static_cast<int>(platform::WM_LBUTTONDOWN):
        if (event.control != thumb || !MainWindow)
            break;
        StopRepeat();
        StopDrag();
        dragX = MainWindow->lastMouseX;
        dragY = MainWindow->lastMouseY;
        activeConnection = MainWindow->OnMouseMove.connect(
            IMMouseSignal::slot_type([this](const IMMouseEvent& move) {
                return HandleThumbDrag(move);
            }).track_foreign(LifetimeToken()));
        activity = Activity::Dragging;
        break;
    case static_cast<int>(platform::WM_LBUTTONUP):
    case IMEventCode::MouseLeave:
        StopDrag();
        break;
    case static_cast<int>(platform::WM_MOUSEMOVE): {
        if (activity != Activity::Dragging)
            break;
        const int w = GetWidth();
        const int h = GetHeight();
        const Rect at = thumb->GetRect();
        int top = at.top + (event.y - dragY);
        top = std::max(top, w);
        top = std::min(top, h - w - at.Height());
        const int track = h - 2 * w;
        if (track > 0) {
            const double range = maxValue - minValue;
            const int value = static_cast<int>(std::floor(range * (top - w) / track + 0.5));
            if (value != pos)
                SetPos(value);
        }
        thumb->SetPosition(0, top);
        dragX = event.x;
        dragY = event.y;
        Relayout();
        break;
    }
    default:
        break;
    }
    return 0;
}
