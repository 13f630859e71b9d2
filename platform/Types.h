// Small value types shared by every layer: rectangles and points in scene pixels.
#pragma once

#include <algorithm>
#include <cstdint>

namespace platform {

// A rectangle as Windows writes it: left and top inside, right and bottom
// outside (PtInRect rules), in pixels of the 800 × 600 scene or of a picture.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return left >= right || top >= bottom; }
    constexpr bool Contains(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    constexpr Rect Offset(int dx, int dy) const {
        return {left + dx, top + dy, right + dx, bottom + dy};
    }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

constexpr bool PtInRect(const Rect& r, int x, int y) { return r.Contains(x, y); }

// The intersection of two rectangles; an empty result is (0, 0, 0, 0), as
// IntersectRect leaves it.
constexpr Rect IntersectRect(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.IsEmpty())
        return Rect{};
    return r;
}

} // namespace platform
