// The lock screen: reaction to the hook library's reports, the canvas and
// the end of a lock by the unlock word.
#pragma once
#include <cstdint>

#include "messages.h"

// WM_HOOK_KEY, in every lock state.
void OnLockKey(HWND window, uint32_t code);

// WM_LOCK_DRAW: draws the picture of the newest key not drawn yet.
void OnLockDraw(HWND window);

// WM_LOCK_PICTURE: the background decoder may have a picture ready. The
// message's parameters are not used: the result is taken from the decoder
// only if it has one, and kept only if the lock waits for it.
void OnLockPictureDecoded(HWND window);

// Forgets the key waiting for its picture and everything decoded (the end of
// a lock). A decoding under way is let finish; its result is let go.
void DropPendingPictures();

// WM_HOOK_MOUSEMOVE while the window is visible.
void OnLockMouseMove(HWND window, int32_t x, int32_t y);

// Copies the canvas rectangle (right and bottom inclusive) to the window and
// refreshes the hint line.
void PaintLockScreen(HWND window, int32_t left, int32_t top, int32_t right, int32_t bottom);

// canvasBitmap exists (WM_PAINT copies from it only then).
bool LockScreenHasCanvas();

// Ends either lock once the unlock word has been typed.
void EndLockByWord(HWND window);
