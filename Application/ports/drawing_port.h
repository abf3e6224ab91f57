// Drawing on the lock window and on the off-screen canvas: the device
// contexts, the canvas bitmap and the block transfers of the platform's
// drawing interface, one function per call.
#pragma once
#include <cstdint>

#include "messages.h"

typedef void* DrawContext;  // a device context (window or memory)
typedef void* DrawObject;   // a bitmap or other selectable drawing object

struct ScreenRect {
    int32_t left, top, right, bottom;
};

constexpr uint32_t kRopSrcCopy = 0xCC0020;   // SRCCOPY
constexpr uint32_t kRopBlackness = 0x42;     // BLACKNESS
constexpr int kStretchColorOnColor = 3;      // COLORONCOLOR
constexpr uint32_t kDibRgbColors = 0;        // DIB_RGB_COLORS

// GetWindowRect.
ScreenRect GetWindowScreenRect(HWND window);
// GetDC / ReleaseDC.
DrawContext GetWindowContext(HWND window);
void ReleaseWindowContext(HWND window, DrawContext context);
// CreateCompatibleBitmap(context, width, height).
DrawObject CreateCanvasBitmap(DrawContext context, int32_t width, int32_t height);
// CreateCompatibleDC(context).
DrawContext CreateMemoryContext(DrawContext context);
// SelectObject: returns the object that the selection replaced.
DrawObject SelectDrawObject(DrawContext context, DrawObject object);
// DeleteObject / DeleteDC.
void DeleteDrawObject(DrawObject object);
void DeleteMemoryContext(DrawContext context);
// PatBlt.
void PatternFill(DrawContext context, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop);
// SetStretchBltMode.
void SetStretchMode(DrawContext context, int mode);
// StretchDIBits: info is the bitmap's header and palette (BITMAPINFO layout),
// bits its pixel rows, bottom row first.
void StretchDibToContext(DrawContext context, int32_t x, int32_t y, int32_t width, int32_t height,
                         int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                         const void* bits, const void* info, uint32_t usage, uint32_t rop);
// SetBkColor (0x00BBGGRR).
void SetBackgroundColour(DrawContext context, uint32_t colour);
// TextOutA.
void WriteText(DrawContext context, int32_t x, int32_t y, const char* text, int32_t length);
// BitBlt.
void CopyBlock(DrawContext target, int32_t x, int32_t y, int32_t width, int32_t height,
               DrawContext source, int32_t srcX, int32_t srcY, uint32_t rop);
// StretchBlt.
void StretchBlock(DrawContext target, int32_t x, int32_t y, int32_t width, int32_t height,
                  DrawContext source, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                  uint32_t rop);
// SetPixel (colour 0x00BBGGRR).
void SetPixelColour(DrawContext context, int32_t x, int32_t y, uint32_t colour);
