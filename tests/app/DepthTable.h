// What the game screen shows at each depth on the way down: the alpha of the water tiles, the
// ripple, the shadows and the items, the lake bottom's rectangle and its grey.
#pragma once

#include "platform/Types.h"

#include <cstdint>

struct DepthRow {
    int depth;
    uint32_t water;
    uint32_t ripple;
    uint32_t shadow;
    uint32_t item;
    platform::Rect bottom;
    uint32_t grey;
};

// The ripple keeps its depth-15 alpha below 15, the shadows their depth-19 alpha below 19.
inline const DepthRow kDepthRows[] = {
    {0, 255, 255, 255, 0, {27, 221, 377, 571}, 135},
    {1, 248, 248, 242, 6, {22, 216, 381, 575}, 138},
    {10, 191, 191, 127, 63, {-16, 177, 420, 614}, 165},
    {15, 159, 159, 63, 95, {-38, 155, 442, 636}, 180},
    {19, 133, 159, 12, 121, {-56, 137, 460, 654}, 192},
    {20, 127, 159, 12, 127, {-60, 133, 464, 658}, 195},
    {31, 57, 159, 12, 197, {-108, 85, 512, 706}, 228},
    {40, 0, 159, 12, 255, {-148, 46, 552, 746}, 255},
};
