// A control joined to a view: the control logic of IMControl with the
// rectangle, dirty flag, drawing and hit test of the view V. The templates
// for pictures and labels, buttons and animations refine it.
#pragma once

#include "gui/IMControl.h"
#include "gui/IMView.h"

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
    // One override serves both bases here too.
    platform::Rect DrawnBounds() const override { return View::DrawnBounds(); }
    std::optional<uint64_t> Look() const override { return View::Look(); }
    bool DrawsTheSameWhenCut() const override { return View::DrawsTheSameWhenCut(); }
    bool OpaqueCover(platform::Rect& cover, platform::Rect& hole) const override {
        return !IsHidden() && View::OpaqueArea(cover, hole);
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
