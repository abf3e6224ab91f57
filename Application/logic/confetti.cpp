#include "confetti.h"

#include <cmath>

std::vector<TrailBlock> TrailBlocks(int64_t dx, int64_t dy) {
    std::vector<TrailBlock> blocks;
    const double dist = std::sqrt(static_cast<double>(dx * dx + dy * dy));
    if (dist > 0) {
        const double step = 1 / dist;
        for (int64_t i = 0; i < dist; ++i) {
            const double t = static_cast<double>(i) * step;
            blocks.push_back({static_cast<int32_t>(std::trunc(static_cast<double>(dx) * t)),
                              static_cast<int32_t>(std::trunc(t * static_cast<double>(dy)))});
        }
    }
    return blocks;
}
