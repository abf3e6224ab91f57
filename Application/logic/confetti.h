// The path of the confetti trail that a mouse move leaves on the lock screen.
#pragma once
#include <cstdint>
#include <vector>

// The top-left corner of one 3 x 3 confetti block, relative to the anchor.
struct TrailBlock {
    int32_t x, y;
};

// The blocks of a move by (dx, dy) from the anchor: one per whole pixel of
// the distance d = sqrt(dx^2 + dy^2), block i at (trunc(dx * i/d),
// trunc(i/d * dy)) with i/d computed as i * (1 / d), in double precision.
// None for a move of length 0.
std::vector<TrailBlock> TrailBlocks(int64_t dx, int64_t dy);
