// The lock screen's off-screen canvas and the drawing of one picture into it.
#pragma once
#include <cstdint>

#include <memory>

#include "drawing_port.h"
#include "picture_cache.h"

extern DrawContext canvasDC;     // memory context holding canvasBitmap; null while there is no canvas
extern DrawObject canvasBitmap;  // right x bottom of the window's screen rectangle; null while there is none
extern ScreenRect screenRect;    // captured by PrepareLockScreen; right and bottom are W and H

// The rectangle a picture covered, right and bottom inclusive; all zero when
// nothing was drawn.
struct DrawnRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// Creates the black canvas of rect.right x rect.bottom for the window.
void CreateCanvas(HWND window, const ScreenRect& rect);

// Draws the picture PicturePathForCode(code) names at a random width and
// place, decoding it here first unless the cache holds it. pictureList must
// not be empty. (The lock screen itself decodes on its decoder thread and
// draws with DrawPreparedPicture; this is the whole step in one call.)
DrawnRect DrawPictureForCode(uint32_t code);

// Draws a prepared picture at a random width and place: the width, then x
// and y where there is room, from the generator.
DrawnRect DrawPreparedPicture(const PreparedPicture& picture);

// The picture at path decoded and reduced to the largest size it can be
// drawn at on a canvas of width x height (null: nothing to draw). Safe on
// any thread.
std::unique_ptr<PreparedPicture> PreparePictureForCanvas(const char* path, int32_t width, int32_t height);
