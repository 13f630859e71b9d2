// The container: a control whose children live in layers, drawn in ascending
// layer order and, within a layer, in the order they were added; hit in the
// opposite order. It tracks the child under the pointer and the child with
// the focus, clips its children to its rectangle, and changes its tables
// only between dispatches: children added or removed during a handler take
// effect at the container's next update tick. Screens are dialogs.
#pragma once

#include "gui/DamageRegion.h"
#include "gui/IMButtonBase.h"
#include "gui/IMTextView.h"
#include "gui/IMStateView.h"
#include "gui/IMTextureView.h"
#include "gui/IMViewControl.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

template <class View> class IMDialogBase : public IMViewControl<View> {
public:
    using Layers = std::map<int, std::vector<IMControl*>>;
    using Dialog = IMControl::Dialog;

    // Covers the whole back buffer.
    IMDialogBase(Dialog* parentDialog, int layer);
    IMDialogBase(Dialog* parentDialog, int layer, const platform::Rect& area);
    // Deletes the queued children first, then every child still there.
    ~IMDialogBase() override;

    Layers children;
    // Constructed since the last update tick: not yet drawn, hit or updated.
    Layers pendingAdds;
    std::vector<IMControl*> removals;
    IMControl* hovered = nullptr;
    IMControl* focusedChild = nullptr;
    // In the container's own coordinates.
    int lastMouseX = 0;
    int lastMouseY = 0;

    void SetDirty(bool value) override;
    bool IsDirty() const override;
    bool HitTest(int x, int y) const override;
    using IMViewControl<View>::HitTest;
    long HandleMouseMove(const IMMouseEvent& event) override;
    long HandleMouseButton(const IMMouseEvent& event) override;
    long HandleMouseLeave(const IMMouseEvent& event) override;
    long HandleKey(const IMKeyboardEvent& event) override;
    long Draw(const IMEvent& event) override;
    long Update(const IMEvent& event) override;
    long Destroy(const IMEvent& event) override;
    long HandleKillFocus(const IMEvent& event) override;
    std::optional<int64_t> NextWakeUp() const override;
    bool CoversOpaquely(int originX, int originY, const platform::Rect& clip,
                        const platform::Rect& rect) const override;
    bool AddDamage(int originX, int originY, const platform::Rect& clip,
                   DamageRegion& damage) const override;
    void KeepDrawnState() override;
    void GrowDamage(int originX, int originY, const platform::Rect& clip, DamageRegion& damage,
                    bool& grown) const override;

    // Called by the control constructor and by Remove only.
    void AddChild(IMControl* control, int layer);
    void RemoveChild(IMControl* control);
    // Finds the topmost child under the pointer and sends enter (to the new
    // one first) and leave. event is in this container's coordinates.
    void UpdateHover(const IMMouseEvent& event);
    void ProcessRemovals();
    // The layer whose vector holds the control; 0 when none does.
    int FindLayer(IMControl* control) const;

    // Children made by the screens. The picture is shown at (x, y) in its
    // own size; the button takes the size of its normal picture.
    IMStaticPictureBase<IMTextureView>* CreatePicture(int x, int y, const std::wstring& name,
                                                      int layer = 0, uint32_t color = 0xFFFFFFFF);
    IMButtonBase<IMStateView>* CreateButton(int x, int y, const std::wstring& normal,
                                            const std::wstring& disabled, const std::wstring& over,
                                            const std::wstring& pressedPicture, int layer = 0);
    // A label holding the text in the text view's default style, sized to the laid-out text and
    // placed at (x, y).
    IMStaticPictureBase<IMTextView>* CreateText(int x, int y, const std::wstring& text,
                                                int layer = 0);

protected:
    // Deletes every child at once (the window does this before the media
    // layer goes, so that views release their pictures while it exists).
    void DeleteAllChildren();

private:
    long TrackFocus(const IMEvent& event);

    // A child drawing fully opaque pixels over `cover` outside `hole` (scene coordinates), the
    // `order`-th child in drawing order.
    struct Occluder {
        size_t order;
        platform::Rect cover;
        platform::Rect hole;
    };
    // The opaque children met by the clip, with the renderer's origin at the dialog's corner.
    std::vector<Occluder> Occluders(const platform::Rect& clip) const;
    // Whether any of the child's pixels inside the clip and the frame's drawing region lies
    // outside the covers of the opaque children drawn after it.
    bool Seen(const IMControl& child, size_t order, const std::vector<Occluder>& occluders,
              const platform::Rect& clip) const;

    // Children removed before their first tick: out of every table at once,
    // deleted at the next ProcessRemovals like every other removal, because
    // the call may come from inside one of their own handlers.
    std::vector<IMControl*> discarded;
    // A child was added or removed since the last frame: the tree is dirty, but the container's
    // own look did not change, so only the children's places are drawn again.
    bool childrenChanged_ = false;
    // Where children deleted since the last frame were drawn, in the container's coordinates.
    DamageRegion removedDamage_;
};

extern template class IMDialogBase<IMEmptyView>;

// A child dialog of the parent covering (x, y, x + width, y + height).
IMDialogBase<IMEmptyView>* CreateDialog(IMDialogBase<IMEmptyView>* parent, int x, int y, int width,
                                        int height, int layer = 0);
