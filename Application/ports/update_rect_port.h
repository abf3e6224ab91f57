// The part of the main window that needs painting.
#pragma once
#include <cstdint>

#include "messages.h"

struct UpdateRect {
    int32_t left, top, right, bottom;
};

// GetUpdateRect(window, rect, no erase): false when nothing needs painting.
bool GetWindowUpdateRect(HWND window, UpdateRect& rect);
