// Adding to the damage with merging.
#include "gui/DamageRegion.h"

#include <algorithm>
#include <limits>

using platform::Rect;

namespace {

Rect Union(const Rect& a, const Rect& b) {
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

long long AreaOf(const Rect& r) {
    return r.IsEmpty() ? 0 : static_cast<long long>(r.Width()) * r.Height();
}

} // namespace

void DamageRegion::Add(const Rect& rect) {
    if (rect.IsEmpty())
        return;
    Rect merged = rect;
    for (;;) {
        // A merged rectangle may reach others that the parts did not: look again until none
        // overlaps.
        auto overlapping = std::find_if(rectangles_.begin(), rectangles_.end(), [&](const Rect& r) {
            return !platform::IntersectRect(r, merged).IsEmpty();
        });
        if (overlapping == rectangles_.end()) {
            if (rectangles_.size() < kMaxRectangles)
                break;
            // Full: join the rectangle whose union with this one wastes the fewest pixels.
            overlapping = rectangles_.begin();
            long long best = std::numeric_limits<long long>::max();
            for (auto it = rectangles_.begin(); it != rectangles_.end(); ++it) {
                const long long waste = AreaOf(Union(*it, merged)) - AreaOf(*it) - AreaOf(merged);
                if (waste < best) {
                    best = waste;
                    overlapping = it;
                }
            }
        }
        merged = Union(merged, *overlapping);
        rectangles_.erase(overlapping);
    }
    rectangles_.push_back(merged);
}

Rect DamageRegion::Bounds() const {
    if (rectangles_.empty())
        return Rect{};
    Rect bounds = rectangles_.front();
    for (const Rect& r : rectangles_)
        bounds = Union(bounds, r);
    return bounds;
}

long long DamageRegion::Area() const {
    long long area = 0;
    for (const Rect& r : rectangles_)
        area += AreaOf(r);
    return area;
}
