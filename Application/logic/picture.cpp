#include "picture.h"

#include <algorithm>
#include <cmath>

#include "directory_port.h"
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
constexpr int kLargestRandom = 32767;

// A picture's drawn width for the random value r: 20 % to 53 1/3 % of W.
static int32_t DrawnWidth(int r, int32_t screenWidth) {
    return static_cast<int32_t>((r * (1.0 / 98301) + 0.2) * screenWidth);
}

std::unique_ptr<PreparedPicture> PreparePictureForCanvas(const char* path, int32_t width, int32_t height) {
    PictureHeader header;
    if (width <= 0 || height <= 0 || !ReadPictureHeader(path, header)) return nullptr;
    // Never wider than the widest draw; of a picture taller than the canvas
    // even at its narrowest draw, only the rows that can show are kept.
    const uint32_t widest = static_cast<uint32_t>(std::max(1, DrawnWidth(kLargestRandom, width)));
    const uint32_t narrowest = static_cast<uint32_t>(std::max(1, DrawnWidth(0, width)));
    const PixelSize size = FitInside(header.width, header.height, widest, UINT32_MAX);
    const uint64_t rows = static_cast<uint64_t>(height) * size.width / narrowest + 2;
    return PreparePicture(path, header, widest, UINT32_MAX,
                          static_cast<uint32_t>(std::min<uint64_t>(rows, UINT32_MAX)));
}

DrawnRect DrawPictureForCode(uint32_t code) {
    char path[kMediaPathSize];
    PicturePathForCode(code, path);
    // Only regular files are opened: a pipe would block, a folder or a
    // device is no picture.
    if (!IsRegularFile(path)) return DrawnRect{};
    const PictureKey key{path};
    bool known = false;
    std::shared_ptr<const PreparedPicture> picture = pictureCache.Find(key, &known);
    if (!known) {
        picture = PreparePictureForCanvas(path, screenRect.right, screenRect.bottom);
        pictureCache.Add(key, picture);
    }
    return picture ? DrawPreparedPicture(*picture) : DrawnRect{};
}

DrawnRect DrawPreparedPicture(const PreparedPicture& picture) {
    const int32_t screenWidth = screenRect.right;
    const int32_t screenHeight = screenRect.bottom;
    const int32_t destWidth = DrawnWidth(NextRandom(), screenWidth);
    // The file's own proportions decide the height. A very tall picture is
    // cut by the canvas anyway; the bound keeps the height a 32-bit value.
    double height = static_cast<double>(picture.sourceHeight) / static_cast<double>(picture.sourceWidth) * destWidth;
    if (height > kMaxDrawnHeight) height = kMaxDrawnHeight;
    const int32_t destHeight = static_cast<int32_t>(height);
    int32_t x = 0, y = 0;
    if (screenWidth - destWidth > 0) x = NextRandom() % (screenWidth - destWidth);
    if (screenHeight - destHeight > 0) y = NextRandom() % (screenHeight - destHeight);

    // Only the top of a picture cut by the canvas is held: it covers the
    // same share of the drawn height.
    int32_t heldHeight = destHeight;
    if (picture.height < picture.fullHeight)
        heldHeight = static_cast<int32_t>(std::ceil(height * picture.height / picture.fullHeight));
    SetStretchMode(canvasDC, kStretchColorOnColor);
    StretchDibToContext(canvasDC, x, y, destWidth, heldHeight, 0, 0, static_cast<int32_t>(picture.width),
                        static_cast<int32_t>(picture.height), picture.bits.data(), picture.info, kDibRgbColors,
                        kRopSrcCopy);

    DrawnRect drawn;
    drawn.left = x;
    drawn.top = y;
    drawn.right = x + destWidth - 1;
    drawn.bottom = y + destHeight - 1;
    return drawn;
}
