// A picture control of the game screen (a static picture, an arrow button or
// the ripple) as the exercise's rules see it: the ScenePicture operations
// carried out on the control and its texture view.
#pragma once

#include <boost/signals2/connection.hpp>

#include <cstdint>
#include <string>

#include "app/GameScene.h"
#include "gui/IMControl.h"
#include "media/IMResourceManager.h"

// Control is any control whose view is an IMTextureView (IMStaticPictureBase,
// IMButtonBase<IMStateView>, IMAnimationBase<IMSequenceView>). The adapter
// does not own the control, which belongs to its dialog.
template <class Control> class ControlPicture final : public ScenePicture {
public:
    explicit ControlPicture(Control* control) : control_(control) {}

    Control* GetControl() const { return control_; }

    void Hide() override { control_->Hide(); }
    void Show() override { control_->Show(); }
    bool IsHidden() const override { return control_->IsHidden(); }

    platform::Rect GetRect() const override { return control_->GetRect(); }
    void SetRect(const platform::Rect& rect) override { control_->SetRect(rect); }
    void SetPosition(int x, int y) override { control_->SetPosition(x, y); }
    platform::Point GetPosition() const override { return control_->GetPosition(); }

    // A view without a picture keeps index 0, which may name some other
    // picture; the rules must see "no picture" instead.
    int GetTextureId() const override {
        if (!control_->hasTexture)
            return Renderer ? Renderer->InvalidTexture() : -1;
        return control_->textureId;
    }
    void SetTexture(const std::wstring& name) override { control_->SetTexture(name); }
    void SetTextureIndex(int index) override { control_->SetTextureIndex(index); }

    // The view's colour and angle are plain fields: a change must mark the
    // control dirty itself, or the frame would not show it.
    void SetColor(uint32_t argb) override {
        if (control_->color == argb)
            return;
        control_->color = argb;
        control_->SetDirty(true);
    }
    void SetAngle(float radians) override {
        if (control_->angle == radians)
            return;
        control_->angle = radians;
        control_->SetDirty(true);
    }
    void SetDirty(bool dirty) override { control_->SetDirty(dirty); }

    boost::signals2::connection ConnectClick(const SceneHandler& handler) override {
        return control_->OnClick.connect([handler](const IMMouseEvent&) {
            handler();
            return 0L;
        });
    }

private:
    Control* control_;
};
