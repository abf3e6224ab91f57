#include "picture.h"

#include <FreeImage.h>

#include "media_lists.h"
#include "random.h"

DrawContext canvasDC = nullptr;
DrawObject canvasBitmap = nullptr;
ScreenRect screenRect{0, 0, 0, 0};

void CreateCanvas(HWND window, const ScreenRect& rect) {
    DrawContext windowContext = GetWindowContext(window);
    canvasBitmap = CreateCanvasBitmap(windowContext, rect.right, rect.bottom);
    canvasDC = CreateMemoryContext(windowContext);
    DeleteDrawObject(SelectDrawObject(canvasDC, canvasBitmap));
    ReleaseWindowContext(window, windowContext);
    PatternFill(canvasDC, 0, 0, rect.right, rect.bottom, kRopBlackness);
}

constexpr double kMaxDrawnHeight = 1 << 30;

static bool TooLarge(FIBITMAP* bitmap) {
    return static_cast<uint64_t>(FreeImage_GetWidth(bitmap)) * FreeImage_GetHeight(bitmap) > kMaxPicturePixels;
}

// The canvas takes standard bitmaps of 1, 4, 8, 24 or 32 bits per pixel;
// anything else FreeImage can load (16-bit, 48-bit, floating point, ...)
// is converted first. Returns the bitmap to draw (the same one or a new one
// replacing it), null when the conversion failed.
static FIBITMAP* Drawable(FIBITMAP* bitmap) {
    if (FreeImage_GetImageType(bitmap) != FIT_BITMAP) {
        FIBITMAP* standard = FreeImage_ConvertToStandardType(bitmap, TRUE);
        FreeImage_Unload(bitmap);
        bitmap = standard;
        if (!bitmap) return nullptr;
    }
    switch (FreeImage_GetBPP(bitmap)) {
    case 1: case 4: case 8: case 24: case 32:
        return bitmap;
    default: {
        FIBITMAP* converted = FreeImage_ConvertTo24Bits(bitmap);
        FreeImage_Unload(bitmap);
        return converted;
    }
    }
}

DrawnRect DrawPictureForCode(uint32_t code) {
    char path[kMediaPathSize];
    PicturePathForCode(code, path);

    // Only regular files are opened: a pipe would block this thread (and with
    // it the unlock word), a folder or a device is no picture.
    if (!IsRegularFile(path)) return DrawnRect{};

    FREE_IMAGE_FORMAT type = FreeImage_GetFileType(path, 0);
    if (type == FIF_UNKNOWN) type = FreeImage_GetFIFFromFilename(path);

    // Read the header alone first where the format allows it, so that a
    // picture too large to decode is skipped before its pixels are read.
    if (type != FIF_UNKNOWN && FreeImage_FIFSupportsNoPixels(type)) {
        FIBITMAP* header = FreeImage_Load(type, path, FIF_LOAD_NOPIXELS);
        if (!header) return DrawnRect{};
        bool tooLarge = TooLarge(header);
        FreeImage_Unload(header);
        if (tooLarge) return DrawnRect{};
    }

    FIBITMAP* bitmap = FreeImage_Load(type, path, 0);
    if (!bitmap) return DrawnRect{};
    if (TooLarge(bitmap) || FreeImage_GetWidth(bitmap) == 0 || FreeImage_GetHeight(bitmap) == 0) {
        FreeImage_Unload(bitmap);
        return DrawnRect{};
    }
    bitmap = Drawable(bitmap);
    if (!bitmap) return DrawnRect{};

    const int32_t screenWidth = screenRect.right;
    const int32_t screenHeight = screenRect.bottom;
    const unsigned imageWidth = FreeImage_GetWidth(bitmap);
    const unsigned imageHeight = FreeImage_GetHeight(bitmap);

    const int32_t destWidth = static_cast<int32_t>((NextRandom() * (1.0 / 98301) + 0.2) * screenWidth);
    // A very tall picture is cut by the canvas anyway; the bound keeps the
    // height a 32-bit value.
    double height = static_cast<double>(imageHeight) / static_cast<double>(imageWidth) * destWidth;
    if (height > kMaxDrawnHeight) height = kMaxDrawnHeight;
    const int32_t destHeight = static_cast<int32_t>(height);
    int32_t x = 0, y = 0;
    if (screenWidth - destWidth > 0) x = NextRandom() % (screenWidth - destWidth);
    if (screenHeight - destHeight > 0) y = NextRandom() % (screenHeight - destHeight);

    SetStretchMode(canvasDC, kStretchColorOnColor);
    StretchDibToContext(canvasDC, x, y, destWidth, destHeight, 0, 0, static_cast<int32_t>(imageWidth),
                        static_cast<int32_t>(imageHeight), FreeImage_GetBits(bitmap), FreeImage_GetInfo(bitmap),
                        kDibRgbColors, kRopSrcCopy);
    FreeImage_Unload(bitmap);

    DrawnRect drawn;
    drawn.left = x;
    drawn.top = y;
    drawn.right = x + destWidth - 1;
    drawn.bottom = y + destHeight - 1;
    return drawn;
}
