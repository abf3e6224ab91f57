// Prints the figures that the programs compute in floating point, for a
// comparison between the 32-bit Windows build (x87 arithmetic, under
// emulation) and a 64-bit build (SSE2): the stored size of an imported
// picture for every longer side 1-20000, the preview rectangle for a grid of
// picture sizes, and the confetti blocks for a grid of mouse moves.
#include <cstdio>

#include "confetti.h"
#include "picture_size.h"

int main() {
    for (uint32_t side = 1; side <= 20000; ++side) {
        const uint32_t shorter = side * 3 / 4 > 0 ? side * 3 / 4 : 1;
        const uint32_t narrow = side / 3 > 0 ? side / 3 : 1;
        const PictureSize square = ImportSize(side, side);
        const PictureSize wide = ImportSize(side, shorter);
        const PictureSize tall = ImportSize(narrow, side);
        std::printf("import %u: %u %u, %u %u, %u %u\n", side, square.width, square.height, wide.width, wide.height,
                    tall.width, tall.height);
    }
    for (int32_t w = 1; w <= 240; ++w) {
        std::printf("preview %d:", w);
        for (int32_t h = 1; h <= 240; ++h) {
            const PreviewRect r = PreviewDestination(w, h);
            std::printf(" %d,%d", r.right, r.bottom);
        }
        std::printf("\n");
    }
    for (int32_t dx = -60; dx <= 60; ++dx)
        for (int32_t dy = -60; dy <= 60; ++dy) {
            std::printf("confetti %d %d:", dx, dy);
            for (const TrailBlock& b : TrailBlocks(dx, dy)) std::printf(" %d,%d", b.x, b.y);
            std::printf("\n");
        }
    return 0;
}
