// Drawing on Windows: the GDI calls themselves.
#include <windows.h>

#include "drawing_port.h"

ScreenRect GetWindowScreenRect(HWND window) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(window, &r);
    return ScreenRect{r.left, r.top, r.right, r.bottom};
}

DrawContext GetWindowContext(HWND window) { return GetDC(window); }
void ReleaseWindowContext(HWND window, DrawContext context) { ReleaseDC(window, static_cast<HDC>(context)); }

DrawObject CreateCanvasBitmap(DrawContext context, int32_t width, int32_t height) {
    return CreateCompatibleBitmap(static_cast<HDC>(context), width, height);
}
DrawContext CreateMemoryContext(DrawContext context) { return CreateCompatibleDC(static_cast<HDC>(context)); }
DrawObject SelectDrawObject(DrawContext context, DrawObject object) {
    return SelectObject(static_cast<HDC>(context), static_cast<HGDIOBJ>(object));
}
void DeleteDrawObject(DrawObject object) { DeleteObject(static_cast<HGDIOBJ>(object)); }
void DeleteMemoryContext(DrawContext context) { DeleteDC(static_cast<HDC>(context)); }

void PatternFill(DrawContext context, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop) {
    PatBlt(static_cast<HDC>(context), x, y, width, height, rop);
}
void SetStretchMode(DrawContext context, int mode) { SetStretchBltMode(static_cast<HDC>(context), mode); }

void StretchDibToContext(DrawContext context, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                         int32_t srcY, int32_t srcWidth, int32_t srcHeight, const void* bits, const void* info,
                         uint32_t usage, uint32_t rop) {
    StretchDIBits(static_cast<HDC>(context), x, y, width, height, srcX, srcY, srcWidth, srcHeight, bits,
                  static_cast<const BITMAPINFO*>(info), usage, rop);
}

void SetBackgroundColour(DrawContext context, uint32_t colour) { SetBkColor(static_cast<HDC>(context), colour); }
void WriteText(DrawContext context, int32_t x, int32_t y, const char* text, int32_t length) {
    TextOutA(static_cast<HDC>(context), x, y, text, length);
}
void CopyBlock(DrawContext target, int32_t x, int32_t y, int32_t width, int32_t height, DrawContext source,
               int32_t srcX, int32_t srcY, uint32_t rop) {
    BitBlt(static_cast<HDC>(target), x, y, width, height, static_cast<HDC>(source), srcX, srcY, rop);
}
void StretchBlock(DrawContext target, int32_t x, int32_t y, int32_t width, int32_t height, DrawContext source,
                  int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, uint32_t rop) {
    StretchBlt(static_cast<HDC>(target), x, y, width, height, static_cast<HDC>(source), srcX, srcY, srcWidth,
               srcHeight, rop);
}
void SetPixelColour(DrawContext context, int32_t x, int32_t y, uint32_t colour) {
    SetPixel(static_cast<HDC>(context), x, y, colour);
}
