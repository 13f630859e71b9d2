// A control joined to a view: the control logic of IMControl with the
// rectangle, dirty flag, drawing and hit test of the view V. The templates
// for pictures and labels, buttons and animations refine it.
#pragma once

#include "gui/IMControl.h"
#include "gui/IMTextureView.h"
#include "gui/IMView.h"

#include <cmath>
#include <type_traits>

template <class View> class IMViewControl : public IMControl, public View {
public:
    IMViewControl(Dialog* parentDialog, int layer) : IMControl(parentDialog, layer) {}

    long Disable() override {
        IMControl::Disable();
        SetDirty(true);
        return 0;
    }
    long Enable() override {
        IMControl::Enable();
        SetDirty(true);
        return 0;
    }
    long Hide() override {
        IMControl::Hide();
        SetDirty(true);
        return 0;
    }
    long Show() override {
        IMControl::Show();
        SetDirty(true);
        return 0;
    }
    // One override serves both bases: the view's own calls land here too.
    void SetDirty(bool value) override {
        View::dirty = value;
        IMControl::SetDirty(value);
    }
    bool IsDirty() const override { return View::dirty; }
    bool HitTest(int x, int y) const override {
        if (IsHidden())
            return false;
        return View::HitTest(platform::Point{x, y});
    }
    using View::HitTest;
    void SetRect(const platform::Rect& newRect) override {
        if (newRect == GetRect())
            return;
        View::rect = newRect;
        SetDirty(true);
    }
    platform::Rect GetRect() const override { return View::rect; }
    platform::Rect DrawnBounds() const override {
        const platform::Rect r = View::rect;
        if constexpr (std::is_base_of_v<IMTextureView, View>) {
            if (View::angle != 0.0f) {
                // Turned about its centre, it stays inside the circle through its corners.
                const double cx = (r.left + r.right) / 2.0;
                const double cy = (r.top + r.bottom) / 2.0;
                const double radius = std::hypot(r.Width(), r.Height()) / 2.0 + 1.0;
                return {static_cast<int>(std::floor(cx - radius)),
                        static_cast<int>(std::floor(cy - radius)),
                        static_cast<int>(std::ceil(cx + radius)),
                        static_cast<int>(std::ceil(cy + radius))};
            }
        }
        return r;
    }
    // The root window has no parent and so never draws its own view.
    void DrawView() override {
        if (!IsHidden() && parent)
            this->Render();
        SetDirty(false);
    }
};

// Static pictures (IMTextureView) and text labels (IMTextView).
template <class View> class IMStaticPictureBase : public IMViewControl<View> {
public:
    using IMViewControl<View>::IMViewControl;
};
