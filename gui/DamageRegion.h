// The screen pixels that changed since the last frame, as a few disjoint rectangles: what a
// frame that redraws only the changes draws again and hands to the display.
#pragma once

#include "platform/Types.h"

#include <cstddef>
#include <vector>

class DamageRegion {
public:
    // More rectangles than this are merged: each one costs a pass over the pictures it meets.
    static constexpr size_t kMaxRectangles = 8;

    // Adds the rectangle, merging it with every rectangle it overlaps, so that no pixel is drawn
    // twice in one frame (a translucent picture would be blended twice over it).
    void Add(const platform::Rect& rect);
    void Clear() { rectangles_.clear(); }

    bool IsEmpty() const { return rectangles_.empty(); }
    const std::vector<platform::Rect>& Rectangles() const { return rectangles_; }
    // The smallest rectangle holding them all (empty for none).
    platform::Rect Bounds() const;
    // Pixels covered.
    long long Area() const;

private:
    std::vector<platform::Rect> rectangles_;
};
