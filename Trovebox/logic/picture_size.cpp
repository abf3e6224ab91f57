#include "picture_size.h"

PictureSize ImportSize(uint32_t w, uint32_t h) {
    double scale = w > h ? IMPORT_LONG_SIDE / w : IMPORT_LONG_SIDE / h;
    return {static_cast<uint32_t>(w * scale), static_cast<uint32_t>(h * scale)};
}

PreviewRect PreviewDestination(int32_t w, int32_t h) {
    PreviewRect r = previewRect;
    if (w > h)
        r.bottom = static_cast<int>(PREVIEW_SIZE / (static_cast<double>(w) / h) + previewRect.top);
    else
        r.right = static_cast<int>(PREVIEW_SIZE / (static_cast<double>(h) / w) + previewRect.left);
    return r;
}
