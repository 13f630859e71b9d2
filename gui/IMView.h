// Views: the drawable half of a control. A view holds the rectangle, the part
// of its picture that is shown and the dirty flag, draws itself and tests
// points against itself. IMEmptyView draws nothing.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <optional>

class IMView {
public:
    IMView() = default;
    virtual ~IMView() = default;
    IMView(const IMView&) = delete;
    IMView& operator=(const IMView&) = delete;

    // Every operation below goes through these virtual ones, so inside a
    // control the rectangle and dirty flag are the control's: a change made
    // through the view marks the control dirty.
    virtual void SetRect(const platform::Rect& newRect);
    virtual platform::Rect GetRect() const { return rect; }
    virtual void SetSourceRect(const platform::Rect& newSource);
    virtual platform::Rect GetSourceRect() const { return sourceRect; }
    virtual void SetPosition(int x, int y) { SetPosition(platform::Point{x, y}); }
    // Moves the rectangle, keeping its size.
    virtual void SetPosition(platform::Point position);
    virtual platform::Point GetPosition() const;
    virtual void SetSize(int width, int height);
    virtual int GetHeight() const;
    virtual int GetWidth() const;
    // Draws, then clears the dirty flag.
    virtual void Render() = 0;
    // The point (in the parent's coordinates) lies in the rectangle.
    virtual bool HitTest(platform::Point point) const;
    // Every pixel Render may touch, in the parent's coordinates.
    virtual platform::Rect DrawnBounds() const { return GetRect(); }
    // Whether the pixels Render gives inside any clip rectangle are those it gives there unclipped
    // (a picture drawn resized or turned freely is sampled differently when cut).
    virtual bool DrawsTheSameWhenCut() const { return true; }
    // What Render shows, as a number that changes whenever its pixels may; none when the view
    // cannot tell, and is then drawn again whenever it is dirty.
    virtual std::optional<uint64_t> Look() const { return std::nullopt; }
    // True when Render covers `cover` (in the parent's coordinates) with fully opaque pixels
    // everywhere outside `hole`, hiding whatever lies below.
    virtual bool OpaqueArea(platform::Rect& cover, platform::Rect& hole) const {
        (void)cover;
        (void)hole;
        return false;
    }
    virtual bool IsDirty() const { return dirty; }
    virtual void SetDirty(bool value) { dirty = value; }

    // The destination rectangle in the parent's coordinates.
    platform::Rect rect;
    // The part of the picture shown, in the picture's pixels (for text: the
    // extent of the laid-out text).
    platform::Rect sourceRect;
    bool dirty = false;
};

class IMEmptyView : public IMView {
public:
    void Render() override { dirty = false; }
};
