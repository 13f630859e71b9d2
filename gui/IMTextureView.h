// A view showing one picture of the texture registry, tinted and turned
// about its centre, hit only where its pixels are opaque enough.
#pragma once

#include "gui/IMView.h"

#include <cstdint>
#include <string>

class IMTextureView : public IMView {
public:
    IMTextureView() = default;
    // Releases the picture.
    ~IMTextureView() override;

    // Shows the named picture (loading it when it is not registered yet); the
    // source rectangle becomes the whole picture. A name that gives no
    // picture leaves the view without one.
    void SetTexture(const std::wstring& name);
    // The same for a picture already registered.
    void SetTextureIndex(int index);

    void Render() override;
    // The point, turned back by the view's angle about its centre, must fall
    // on a pixel whose alpha, scaled by the colour's (in whole 255ths), is at
    // least alphaThreshold.
    bool HitTest(platform::Point point) const override;
    // Turned, the picture stays inside the circle through its corners.
    platform::Rect DrawnBounds() const override;
    // Only upright or quarter-turned at its own size.
    bool DrawsTheSameWhenCut() const override;
    // The picture, its part and version, where and how it is drawn.
    std::optional<uint64_t> Look() const override;
    // Drawn upright at its own size and fully opaque, the picture hides what is below it except
    // where its own pixels are not opaque.
    bool OpaqueArea(platform::Rect& cover, platform::Rect& hole) const override;

    int textureId = 0;
    // ARGB multiplied with the picture; its alpha is the view's opacity.
    uint32_t color = 0xFFFFFFFF;
    // Radians, clockwise on the screen.
    float angle = 0.0f;
    // 0: hit anywhere in the rectangle; above 255: never hit.
    int alphaThreshold = 255;
    bool hasTexture = false;

private:
    void Assign(int index);
    void ClearTexture();
};
