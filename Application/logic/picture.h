// The lock screen's off-screen canvas and the drawing of one picture into it.
#pragma once
#include <cstdint>

#include "drawing_port.h"

extern DrawContext canvasDC;     // memory context holding canvasBitmap; null while there is no canvas
extern DrawObject canvasBitmap;  // right x bottom of the window's screen rectangle; null while there is none
extern ScreenRect screenRect;    // captured by PrepareLockScreen; right and bottom are W and H

// The rectangle a picture covered, right and bottom inclusive; all zero when
// nothing was drawn.
struct DrawnRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Pictures declaring more pixels than this are skipped before their pixels
// are decoded (a 64-megapixel picture needs 256 MB at 32 bits per pixel).
constexpr uint64_t kMaxPicturePixels = 64ull * 1000 * 1000;

// Creates the black canvas of rect.right x rect.bottom for the window.
void CreateCanvas(HWND window, const ScreenRect& rect);

// Draws the picture PicturePathForCode(code) names at a random width and
// place. pictureList must not be empty.
DrawnRect DrawPictureForCode(uint32_t code);
