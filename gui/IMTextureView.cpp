// Picture references, drawing through the renderer and the pixel-precise,
// rotation-aware hit test.
#include "gui/IMTextureView.h"

#include "media/IMResourceManager.h"

#include <cmath>
#include <numbers>
#include <cstring>

using namespace platform;

IMTextureView::~IMTextureView() {
    if (hasTexture && Renderer)
        Renderer->ReleaseTexture(textureId);
}

void IMTextureView::SetTexture(const std::wstring& name) {
    if (!Renderer)
        return;
    // LoadTexture's reference is only held while the view takes its own.
    const int loaded = Renderer->LoadTexture(name);
    if (Renderer->IsValidTexture(loaded))
        Assign(loaded);
    else
        ClearTexture();
    Renderer->ReleaseTexture(loaded);
}

void IMTextureView::SetTextureIndex(int index) {
    if (!Renderer)
        return;
    if (Renderer->IsValidTexture(index))
        Assign(index);
    else
        ClearTexture();
}

void IMTextureView::Assign(int index) {
    if (hasTexture && index == textureId)
        return;
    Renderer->AddTextureRef(index);
    const int previous = textureId;
    const bool hadTexture = hasTexture;
    textureId = index;
    if (hadTexture)
        Renderer->ReleaseTexture(previous);
    hasTexture = true;
    SetSourceRect(Renderer->Slot(index)->image);
    SetDirty(true);
}

// The index slotCount that a failed load returns names a real slot as soon as
// another texture is registered, so it is never kept.
void IMTextureView::ClearTexture() {
    if (hasTexture)
        Renderer->ReleaseTexture(textureId);
    hasTexture = false;
    textureId = 0;
    SetSourceRect(Rect{});
    SetDirty(true);
}

void IMTextureView::Render() {
    if (hasTexture && Renderer) {
        const Rect source = GetSourceRect();
        Renderer->DrawTexture(textureId, GetRect(), &source, color, angle);
    }
    dirty = false;
}

Rect IMTextureView::DrawnBounds() const {
    const Rect r = GetRect();
    if (angle == 0.0f)
        return r;
    const double cx = (r.left + r.right) / 2.0;
    const double cy = (r.top + r.bottom) / 2.0;
    const double radius = std::hypot(r.Width(), r.Height()) / 2.0 + 1.0;
    return {static_cast<int>(std::floor(cx - radius)), static_cast<int>(std::floor(cy - radius)),
            static_cast<int>(std::ceil(cx + radius)), static_cast<int>(std::ceil(cy + radius))};
}

bool IMTextureView::DrawsTheSameWhenCut() const {
    const Rect r = GetRect();
    const Rect s = GetSourceRect();
    const double quarters = angle / (std::numbers::pi / 2);
    if (std::fabs(quarters - std::round(quarters)) >= 1e-5)
        return false;
    if (r.Width() == s.Width() && r.Height() == s.Height())
        return true;
    // The device draws a picture made smaller along either side, or turned, from a resized copy
    // it keeps, which any cut shows exactly; a picture enlarged upright is sampled anew for each
    // cut.
    const bool smaller = r.Width() < s.Width() || r.Height() < s.Height();
    const bool turned = std::lround(quarters) % 4 != 0;
    return smaller || turned;
}

std::optional<uint64_t> IMTextureView::Look() const {
    uint64_t hash = 14695981039346656037ull;
    auto mix = [&hash](uint64_t value) { hash = (hash ^ value) * 1099511628211ull; };
    mix(hasTexture ? 1 : 0);
    mix(static_cast<uint32_t>(textureId));
    mix(hasTexture && Renderer ? Renderer->TextureVersion(textureId) : 0);
    const Rect r = GetRect();
    const Rect s = GetSourceRect();
    for (int value : {r.left, r.top, r.right, r.bottom, s.left, s.top, s.right, s.bottom})
        mix(static_cast<uint32_t>(value));
    mix(color);
    uint32_t angleBits = 0;
    std::memcpy(&angleBits, &angle, sizeof angleBits);
    mix(angleBits);
    return hash;
}

bool IMTextureView::OpaqueArea(Rect& cover, Rect& hole) const {
    if (!hasTexture || !Renderer || angle != 0.0f || (color >> 24) != 0xFF)
        return false;
    const Rect r = GetRect();
    const Rect s = GetSourceRect();
    if (r.IsEmpty() || s.IsEmpty())
        return false;
    cover = r;
    hole = Renderer->TranslucentPart(textureId, s);
    // Resized, a picture is opaque only if all its source is, filtering blending neighbouring
    // texels; its outermost pixels may blend texels beyond the source (OpenGL's filter does), so
    // they are left out of the cover.
    if (r.Width() != s.Width() || r.Height() != s.Height()) {
        cover = Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        hole = Rect{};
        return !cover.IsEmpty() && Renderer->TranslucentPart(textureId, s).IsEmpty();
    }
    if (!hole.IsEmpty())
        hole = hole.Offset(r.left - s.left, r.top - s.top);
    return true;
}

bool IMTextureView::HitTest(Point point) const {
    if (!hasTexture || !Renderer)
        return false;
    const Rect r = GetRect();
    const Rect source = GetSourceRect();
    const int cx = r.left + r.Width() / 2;
    const int cy = r.top + r.Height() / 2;
    const double a = -static_cast<double>(angle);
    const double dx = point.x - cx;
    const double dy = point.y - cy;
    const int x = static_cast<int>(cx + std::cos(a) * dx - std::sin(a) * dy);
    const int y = static_cast<int>(cy + std::sin(a) * dx + std::cos(a) * dy);
    if (!PtInRect(r, x, y))
        return false;
    const int sx = source.left + source.Width() * (x - r.left) / r.Width();
    const int sy = source.top + source.Height() * (y - r.top) / r.Height();
    if (!PtInRect(source, sx, sy))
        return false;
    const uint32_t pixel = Renderer->GetTexturePixel(textureId, sx, sy);
    const int effectiveAlpha = static_cast<int>(color >> 24) / 255 * static_cast<int>(pixel >> 24);
    return effectiveAlpha >= alphaThreshold;
}
