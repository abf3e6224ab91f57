// What the Linux drawing adapter holds, for looking at it from tests.
#pragma once
#include <QImage>

#include "drawing_port.h"

// The image of a bitmap made by CreateCanvasBitmap; null for none.
const QImage* ImageOfBitmap(DrawObject bitmap);

// What the lock window shows since the canvas was made; null before the
// first copy to the window and after the canvas has been deleted.
const QImage* LockWindowImage();
