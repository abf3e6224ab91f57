// The sizes of stored pictures and of the preview.
#pragma once
#include <cstdint>

constexpr double IMPORT_LONG_SIDE = 800.0;
constexpr int PREVIEW_SIZE = 200;

struct PictureSize {
    uint32_t width;
    uint32_t height;
};

struct PreviewRect {
    int left, top, right, bottom;
};

// The preview square in client pixels.
constexpr PreviewRect previewRect = {430, 40, 630, 240};

// The stored size of a w x h picture: the longer side scaled to 800 (the
// factor 800.0 / longer side in double precision, the products truncated).
// Both sides must be at least 1.
PictureSize ImportSize(uint32_t w, uint32_t h);

// Where a w x h picture is drawn: in the top left corner of previewRect, the
// longer side filling the square's 200 pixels.
PreviewRect PreviewDestination(int32_t w, int32_t h);
