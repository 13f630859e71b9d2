// The container's dispatch, hover and focus tracking, clipped drawing,
// update tick and deferred adding and removal.
#include "gui/IMDialogBase.h"

#include "gui/IMButtonBase.h"
#include "gui/IMStateView.h"
#include "gui/IMTextureView.h"
#include "media/IMResourceManager.h"
#include "platform/Clock.h"
#include "platform/window/Window.h"

#include <boost/bind/bind.hpp>

#include <algorithm>

using namespace platform;

namespace {

bool Holds(const std::map<int, std::vector<IMControl*>>& layers, const IMControl* control) {
    for (const auto& [layer, controls] : layers)
        if (std::find(controls.begin(), controls.end(), control) != controls.end())
            return true;
    return false;
}

// Appends what remains of `rect` once `cover` is taken out of it, save the cover's `hole`: at most
// the four bands round the cover and the part of the hole.
void SubtractCover(const Rect& rect, const Rect& cover, const Rect& hole, std::vector<Rect>& out) {
    const Rect overlap = IntersectRect(rect, cover);
    const Rect through = IntersectRect(overlap, hole);
    if (overlap.IsEmpty() || through == overlap) {
        out.push_back(rect);
        return;
    }
    const Rect bands[4] = {
        {rect.left, rect.top, rect.right, overlap.top},
        {rect.left, overlap.bottom, rect.right, rect.bottom},
        {rect.left, overlap.top, overlap.left, overlap.bottom},
        {overlap.right, overlap.top, rect.right, overlap.bottom},
    };
    for (const Rect& band : bands)
        if (!band.IsEmpty())
            out.push_back(band);
    if (!through.IsEmpty())
        out.push_back(through);
}

// The whole back buffer, or the scene's size before there is one.
Rect BackBufferRect() {
    if (Renderer && Renderer->width > 0 && Renderer->height > 0)
        return Rect{0, 0, Renderer->width, Renderer->height};
    return Rect{0, 0, kSceneWidth, kSceneHeight};
}

} // namespace

template <class View>
IMDialogBase<View>::IMDialogBase(Dialog* parentDialog, int layer)
    : IMDialogBase(parentDialog, layer, BackBufferRect()) {}

template <class View>
IMDialogBase<View>::IMDialogBase(Dialog* parentDialog, int layer, const Rect& area)
    : IMViewControl<View>(parentDialog, layer) {
    View::rect = area;
    this->focusable = true;
}

template <class View> IMDialogBase<View>::~IMDialogBase() {
    ProcessRemovals();
    DeleteAllChildren();
}

template <class View> void IMDialogBase<View>::DeleteAllChildren() {
    ProcessRemovals();
    hovered = nullptr;
    focusedChild = nullptr;
    // Later children may hold on to earlier ones (a list and its scroll
    // bar), so they go first.
    for (Layers* table : {&pendingAdds, &children}) {
        Layers layers;
        layers.swap(*table);
        for (auto it = layers.rbegin(); it != layers.rend(); ++it)
            for (auto child = it->second.rbegin(); child != it->second.rend(); ++child)
                delete *child;
    }
}

template <class View> void IMDialogBase<View>::SetDirty(bool value) {
    View::dirty = value;
    IMControl::SetDirty(value);
    if (!value) {
        // Children waiting for the next tick have yet to be drawn.
        if (pendingAdds.empty())
            childrenChanged_ = false;
        for (auto& [layer, controls] : children)
            for (IMControl* child : controls)
                child->SetDirty(false);
    }
}

template <class View> bool IMDialogBase<View>::IsDirty() const {
    if (View::dirty || childrenChanged_ || !removedDamage_.IsEmpty())
        return true;
    for (const auto& [layer, controls] : children)
        for (const IMControl* child : controls)
            if (child->IsDirty())
                return true;
    return false;
}

template <class View> bool IMDialogBase<View>::HitTest(int x, int y) const {
    return !this->IsHidden() && PtInRect(this->GetRect(), x, y);
}

template <class View> long IMDialogBase<View>::HandleMouseMove(const IMMouseEvent& event) {
    IMControl::HandleMouseMove(event);
    const Rect area = this->GetRect();
    lastMouseX = event.x - area.left;
    lastMouseY = event.y - area.top;
    const IMMouseEvent local(this, event.code, event.wParam, lastMouseX, lastMouseY);
    UpdateHover(local);
    if (hovered)
        hovered->HandleMouseMove(local);
    return 0;
}

template <class View> void IMDialogBase<View>::UpdateHover(const IMMouseEvent& event) {
    // A child that changed is worth a search only if it is under the pointer
    // now, or was the hovered one (it may have moved away or hidden itself).
    if (event.control != this && !event.control->HitTest(event.x, event.y) &&
        event.control != hovered)
        return;

    IMControl* found = nullptr;
    for (auto layer = children.rbegin(); layer != children.rend() && !found; ++layer)
        for (auto child = layer->second.rbegin(); child != layer->second.rend(); ++child)
            if ((*child)->HitTest(event.x, event.y)) {
                found = *child;
                break;
            }

    IMControl* previous = hovered;
    // The new child is entered before the old one is left, so that a pointer
    // moving between two controls is never over none of them.
    if (found && found != hovered) {
        hovered = found;
        found->HandleMouseEnter(
            IMMouseEvent(this, IMEventCode::MouseEnter, event.wParam, event.x, event.y));
    }
    if (previous && previous != found) {
        hovered = found;
        previous->HandleMouseLeave(
            IMMouseEvent(this, IMEventCode::MouseLeave, event.wParam, event.x, event.y));
    }
}

template <class View> long IMDialogBase<View>::HandleMouseButton(const IMMouseEvent& event) {
    IMControl::HandleMouseButton(event);
    if (!hovered)
        return 0;
    if (event.IsMessage(WM_LBUTTONDOWN) && hovered != focusedChild && hovered->IsFocusable()) {
        if (focusedChild)
            focusedChild->SetFocus(false);
        if (hovered)
            hovered->SetFocus(true);
    }
    // Buttons and the wheel go to the child under the pointer only; no child
    // captures the pointer.
    if (hovered) {
        const Rect area = this->GetRect();
        hovered->HandleMouseButton(
            IMMouseEvent(this, event.code, event.wParam, event.x - area.left, event.y - area.top));
    }
    return 0;
}

template <class View> long IMDialogBase<View>::HandleMouseLeave(const IMMouseEvent& event) {
    IMControl::HandleMouseLeave(event);
    if (hovered) {
        hovered->HandleMouseLeave(event);
        hovered = nullptr;
    }
    return 0;
}

template <class View> long IMDialogBase<View>::HandleKey(const IMKeyboardEvent& event) {
    IMControl::HandleKey(event);
    if (focusedChild)
        focusedChild->HandleKey(event);
    return 0;
}

template <class View> long IMDialogBase<View>::Draw(const IMEvent& event) {
    if (!this->IsHidden() && Renderer) {
        const Rect viewport = Renderer->GetViewport();
        const int originX = Renderer->originX;
        const int originY = Renderer->originY;
        const Rect area = this->GetRect();
        const Rect clip = IntersectRect(area.Offset(originX, originY), viewport);
        if (!clip.IsEmpty()) {
            Renderer->SetViewport(clip);
            Renderer->originX = originX + area.left;
            Renderer->originY = originY + area.top;
            const std::vector<Occluder> occluders = Renderer->DrawsWholeFrames()
                                                        ? std::vector<Occluder>{}
                                                        : Occluders(clip);
            size_t order = 0;
            for (auto& [layer, controls] : children)
                for (IMControl* child : controls) {
                    // A child that would show only under opaque pictures drawn after it is left
                    // out (the lake bottom under the water, the water under the background round
                    // the glass); the dialog's SetDirty(false) below marks it drawn all the same.
                    if (occluders.empty() || Seen(*child, order, occluders, clip))
                        child->Draw(event);
                    ++order;
                }
            Renderer->originX = originX;
            Renderer->originY = originY;
            Renderer->SetViewport(viewport);
            // The container's own view is drawn over its children, in its
            // parent's clip and origin.
            this->DrawView();
            SetDirty(false);
            this->Fire(this->OnDraw, IMEvent(this, IMEventCode::Draw));
        }
    }
    SetDirty(false);
    return 0;
}

template <class View>
std::vector<typename IMDialogBase<View>::Occluder>
IMDialogBase<View>::Occluders(const Rect& clip) const {
    std::vector<Occluder> occluders;
    const int childX = Renderer->originX, childY = Renderer->originY;
    size_t order = 0;
    for (const auto& [layer, controls] : children)
        for (const IMControl* child : controls) {
            Rect cover, hole;
            if (child->OpaqueCover(cover, hole)) {
                cover = IntersectRect(cover.Offset(childX, childY), clip);
                if (!cover.IsEmpty())
                    occluders.push_back({order, cover, hole.Offset(childX, childY)});
            }
            ++order;
        }
    return occluders;
}

template <class View>
bool IMDialogBase<View>::Seen(const IMControl& child, size_t order,
                              const std::vector<Occluder>& occluders, const Rect& clip) const {
    const Rect bounds =
        IntersectRect(child.DrawnBounds().Offset(Renderer->originX, Renderer->originY), clip);
    if (bounds.IsEmpty())
        return false;
    std::vector<Rect> seen, next;
    if (const std::vector<Rect>* region = Renderer->DrawingRegion(); region && !region->empty()) {
        for (const Rect& rect : *region)
            if (const Rect part = IntersectRect(rect, bounds); !part.IsEmpty())
                seen.push_back(part);
    } else {
        seen.push_back(bounds);
    }
    for (const Occluder& occluder : occluders) {
        if (seen.empty())
            break;
        if (occluder.order <= order)
            continue;
        next.clear();
        for (const Rect& part : seen)
            SubtractCover(part, occluder.cover, occluder.hole, next);
        seen.swap(next);
    }
    return !seen.empty();
}

template <class View> long IMDialogBase<View>::Update(const IMEvent& event) {
    ProcessRemovals();
    for (auto& [layer, controls] : pendingAdds) {
        std::vector<IMControl*>& target = children[layer];
        target.insert(target.end(), controls.begin(), controls.end());
    }
    pendingAdds.clear();
    this->UpdateSelf();
    this->Fire(this->OnUpdate, IMEvent(this, IMEventCode::Update));
    for (auto& [layer, controls] : children)
        for (IMControl* child : controls)
            child->Update(event);
    ProcessRemovals();
    return 0;
}

template <class View> long IMDialogBase<View>::Destroy(const IMEvent& event) {
    for (auto& [layer, controls] : children)
        for (IMControl* child : controls)
            child->Destroy(event);
    return this->Remove();
}

template <class View> long IMDialogBase<View>::HandleKillFocus(const IMEvent& event) {
    IMControl::HandleKillFocus(event);
    focusedChild = nullptr;
    for (auto& [layer, controls] : children)
        for (IMControl* child : controls)
            child->HandleKillFocus(event);
    return 0;
}

template <class View> std::optional<int64_t> IMDialogBase<View>::NextWakeUp() const {
    // Additions and removals wait for the next tick, which must come even if
    // nothing else is due.
    if (!pendingAdds.empty() || !removals.empty() || !discarded.empty())
        return PerformanceCounter();
    std::optional<int64_t> earliest = IMViewControl<View>::NextWakeUp();
    for (const auto& [layer, controls] : children)
        for (const IMControl* child : controls)
            if (auto due = child->NextWakeUp(); due && (!earliest || *due < *earliest))
                earliest = due;
    return earliest;
}

template <class View>
bool IMDialogBase<View>::AddDamage(int originX, int originY, const Rect& clip,
                                   DamageRegion& damage) const {
    const Rect bounds = this->DrawnBounds();
    const bool hidden = this->IsHidden();
    if (bounds != this->drawnBounds || hidden != this->drawnHidden) {
        // Everything inside moved, came or went with it, and it clips everything inside.
        damage.Add(IntersectRect(this->LastDrawnBounds().Offset(originX, originY), clip));
        if (!hidden)
            damage.Add(IntersectRect(bounds.Offset(originX, originY), clip));
        return true;
    }
    if (hidden)
        return true;
    const Rect area = this->GetRect();
    const Rect inside = IntersectRect(area.Offset(originX, originY), clip);
    if (inside.IsEmpty())
        return true;
    // Marked dirty itself: all of it is drawn again.
    if (View::dirty) {
        damage.Add(inside);
        return true;
    }
    const int childX = originX + area.left;
    const int childY = originY + area.top;
    // Where a child gone was drawn is drawn again whatever lies above it now: it may have been
    // above that.
    for (const Rect& gone : removedDamage_.Rectangles())
        damage.Add(IntersectRect(gone.Offset(childX, childY), inside));
    // Each child's changes, in drawing order, and the opaque pictures among them: a change is
    // seen only where no opaque picture drawn after it covers it (the lake under the background
    // shows only through the glass).
    std::vector<std::pair<size_t, Rect>> changes;
    std::vector<Occluder> occluders;
    size_t order = 0;
    for (const auto& [layer, controls] : children)
        for (const IMControl* child : controls) {
            DamageRegion own;
            if (!child->AddDamage(childX, childY, inside, own))
                return false;
            for (const Rect& rect : own.Rectangles())
                changes.emplace_back(order, rect);
            Rect cover, hole;
            if (child->OpaqueCover(cover, hole)) {
                cover = IntersectRect(cover.Offset(childX, childY), inside);
                if (!cover.IsEmpty())
                    occluders.push_back({order, cover, hole.Offset(childX, childY)});
            }
            ++order;
        }
    std::vector<Rect> seen, next;
    for (const auto& [changed, rect] : changes) {
        seen.assign(1, rect);
        for (const Occluder& occluder : occluders) {
            if (occluder.order <= changed)
                continue;
            next.clear();
            for (const Rect& part : seen)
                SubtractCover(part, occluder.cover, occluder.hole, next);
            seen.swap(next);
            if (seen.empty())
                break;
        }
        for (const Rect& part : seen)
            damage.Add(part);
    }
    return true;
}

template <class View>
bool IMDialogBase<View>::CoversOpaquely(int originX, int originY, const Rect& clip,
                                        const Rect& rect) const {
    if (this->IsHidden())
        return false;
    const Rect area = this->GetRect();
    const Rect inside = IntersectRect(area.Offset(originX, originY), clip);
    if (IntersectRect(inside, rect) != rect)
        return false;
    for (const auto& [layer, controls] : children)
        for (const IMControl* child : controls)
            if (child->CoversOpaquely(originX + area.left, originY + area.top, inside, rect))
                return true;
    return false;
}

template <class View>
void IMDialogBase<View>::GrowDamage(int originX, int originY, const Rect& clip,
                                    DamageRegion& damage, bool& grown) const {
    if (this->IsHidden())
        return;
    const Rect area = this->GetRect();
    const Rect inside = IntersectRect(area.Offset(originX, originY), clip);
    if (inside.IsEmpty())
        return;
    for (const auto& [layer, controls] : children)
        for (const IMControl* child : controls)
            child->GrowDamage(originX + area.left, originY + area.top, inside, damage, grown);
}

template <class View> void IMDialogBase<View>::KeepDrawnState() {
    IMControl::KeepDrawnState();
    removedDamage_.Clear();
    if (pendingAdds.empty())
        childrenChanged_ = false;
    for (auto& [layer, controls] : children)
        for (IMControl* child : controls)
            child->KeepDrawnState();
}

template <class View> void IMDialogBase<View>::AddChild(IMControl* control, int layer) {
    if (this->IsLocked() || Holds(children, control))
        return;
    pendingAdds[layer].push_back(control);
    using boost::placeholders::_1;
    control->OnFocus.connect(boost::bind(&IMDialogBase::TrackFocus, this, _1));
    control->OnKillFocus.connect(boost::bind(&IMDialogBase::TrackFocus, this, _1));
    childrenChanged_ = true;
    IMControl::SetDirty(true);
}

template <class View> void IMDialogBase<View>::RemoveChild(IMControl* control) {
    if (Holds(children, control) &&
        std::find(removals.begin(), removals.end(), control) == removals.end()) {
        removals.push_back(control);
        childrenChanged_ = true;
        IMControl::SetDirty(true);
    }
    for (auto layer = pendingAdds.begin(); layer != pendingAdds.end(); ++layer) {
        auto& controls = layer->second;
        auto it = std::find(controls.begin(), controls.end(), control);
        if (it == controls.end())
            continue;
        controls.erase(it);
        if (controls.empty())
            pendingAdds.erase(layer);
        if (hovered == control)
            hovered = nullptr;
        if (focusedChild == control)
            focusedChild = nullptr;
        discarded.push_back(control);
        break;
    }
}

template <class View> void IMDialogBase<View>::ProcessRemovals() {
    // Each control leaves the queue before it is deleted: its destructor may
    // queue further removals here.
    while (!removals.empty()) {
        IMControl* child = removals.back();
        removals.pop_back();
        auto layer = children.find(FindLayer(child));
        if (layer != children.end()) {
            auto& controls = layer->second;
            controls.erase(std::remove(controls.begin(), controls.end(), child), controls.end());
            if (controls.empty())
                children.erase(layer);
        }
        if (hovered == child)
            hovered = nullptr;
        if (focusedChild == child)
            focusedChild = nullptr;
        removedDamage_.Add(child->LastDrawnBounds());
        delete child;
    }
    while (!discarded.empty()) {
        IMControl* child = discarded.back();
        discarded.pop_back();
        delete child;
    }
}

template <class View> int IMDialogBase<View>::FindLayer(IMControl* control) const {
    for (const auto& [layer, controls] : children)
        if (std::find(controls.begin(), controls.end(), control) != controls.end())
            return layer;
    return 0;
}

template <class View> long IMDialogBase<View>::TrackFocus(const IMEvent& event) {
    IMControl* child = event.control;
    if (event.code == IMEventCode::Focus && child != focusedChild) {
        // The focus path grows upwards: this container takes the focus in
        // its own parent first.
        this->SetFocus(true);
        if (focusedChild)
            focusedChild->SetFocus(false);
        focusedChild = child;
    } else if (event.code == IMEventCode::KillFocus && child == focusedChild) {
        focusedChild = nullptr;
    }
    return 0;
}

template <class View>
IMStaticPictureBase<IMTextureView>* IMDialogBase<View>::CreatePicture(int x, int y,
                                                                      const std::wstring& name,
                                                                      int layer, uint32_t color) {
    auto* picture = new IMStaticPictureBase<IMTextureView>(this, layer);
    picture->SetTexture(name);
    const Rect source = picture->GetSourceRect();
    picture->SetRect(source.Offset(x - source.left, y - source.top));
    picture->color = color;
    picture->SetDirty(true);
    return picture;
}

template <class View>
IMButtonBase<IMStateView>*
IMDialogBase<View>::CreateButton(int x, int y, const std::wstring& normal,
                                 const std::wstring& disabled, const std::wstring& over,
                                 const std::wstring& pressedPicture, int layer) {
    auto* button = new IMButtonBase<IMStateView>(this, layer);
    button->SetStates(normal, disabled, over, pressedPicture);
    const Rect source = button->GetSourceRect();
    button->SetRect(Rect{x, y, x + source.Width(), y + source.Height()});
    return button;
}

template <class View>
IMStaticPictureBase<IMTextView>* IMDialogBase<View>::CreateText(int x, int y,
                                                                const std::wstring& text,
                                                                int layer) {
    auto* label = new IMStaticPictureBase<IMTextView>(this, layer);
    label->SetText(text);
    const Rect extent = label->GetSourceRect();
    label->SetRect(Rect{x, y, x + extent.Width(), y + extent.Height()});
    return label;
}

template class IMDialogBase<IMEmptyView>;

IMDialogBase<IMEmptyView>* CreateDialog(IMDialogBase<IMEmptyView>* parent, int x, int y, int width,
                                        int height, int layer) {
    return new IMDialogBase<IMEmptyView>(parent, layer, Rect{x, y, x + width, y + height});
}
