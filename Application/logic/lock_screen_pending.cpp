// The lock screen lands with its own work; until then a report is only
// passed over. (This file goes when the lock screen arrives.)
#include "lock_screen.h"

void OnLockKey(HWND, uint32_t) {}
void OnLockMouseMove(HWND, int32_t, int32_t) {}
void PaintLockScreen(HWND, int32_t, int32_t, int32_t, int32_t) {}
bool LockScreenHasCanvas() { return false; }
void EndLockByWord(HWND) {}
