// The vertical scroll bar: two arrow buttons, a track in two parts and a thumb, keeping an integer
// position within a range and reporting every change. Holding an arrow or a track part repeats
// its step; dragging the thumb follows the pointer.
#pragma once

#include "gui/IMDialogBase.h"

#include <optional>

class IMScroll : public IMDialogBase<IMEmptyView> {
public:
    using Button = IMButtonBase<IMStateView>;
    using ScrollSignal = boost::signals2::signal<
        long(const IMEvent&, int), boost::signals2::optional_last_value<long>, int, std::less<int>,
        boost::function<long(const IMEvent&, int)>,
        boost::function<long(const boost::signals2::connection&, const IMEvent&, int)>,
        boost::signals2::dummy_mutex>;

    // Without a rectangle the bar is 16 pixels wide along the parent's right edge. The main
    // window must exist (the bar uses its timers and pointer).
    IMScroll(Dialog* parentDialog, std::optional<platform::Rect> area = std::nullopt);
    // Stops a running repeat or drag.
    ~IMScroll() override;

    // Follows the pointer while the thumb is held (see the source for the sources it hears).
    virtual long HandleThumbDrag(const IMMouseEvent& event);
    // Places the buttons, the track parts and (unless it is being dragged) the thumb for `pos`.
    virtual void Relayout();
    // The container's behaviour, then Relayout.
    void SetRect(const platform::Rect& rect) override;

    // Clamps the value to minValue … maxValue − page; a change is stored, reported through
    // OnScroll with (this, 0) and the new position, and laid out.
    void SetPos(int value);

    Button* upButton = nullptr;
    Button* downButton = nullptr;
    Button* trackBefore = nullptr;
    Button* trackAfter = nullptr;
    ScrollSignal OnScroll;
    Button* thumb = nullptr;
    IMStaticPictureBase<IMTextureView>* trackPicture = nullptr;
    // The running repeat's timer connection or the running drag's pointer connection.
    boost::signals2::connection activeConnection;
    int minValue = 0;
    int maxValue = 100;
    int pos = 0;
    // The visible part of the range, and the thumb's share of the track.
    int page = 10;
    // The pointer at the previous drag step, in the window's client coordinates.
    int dragX = 0;
    int dragY = 0;
    int repeatTimerId = 0;

private:
    enum class Activity { Idle, Repeating, Dragging };

    // Press, release, leave and repeat ticks (code 0) of the arrows and track parts.
    long HandleButtonRepeat(Button* source, int code);
    void StartRepeat(Button* source, uint32_t interval);
    void StopRepeat();
    void StopDrag();
    int StepOf(const Button* source) const;

    Activity activity = Activity::Idle;
};
