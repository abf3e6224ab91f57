// The library's hook procedures, as the platform calls them: a negative code
// goes straight to the next hook; otherwise the rules of hook_rules.h apply.
// lParam points to a LowLevelKeyEvent (KeyboardLockProcLL), holds keystroke
// flags (KeyboardLockProc, KeyboardTrackerProc) or points to a MouseEvent
// (the mouse procedures).
#pragma once
#include <cstdint>

intptr_t KeyboardLockProcLL(int code, uintptr_t wParam, intptr_t lParam);
intptr_t KeyboardLockProc(int code, uintptr_t wParam, intptr_t lParam);
intptr_t MouseBlockProc(int code, uintptr_t wParam, intptr_t lParam);
intptr_t MouseReportProc(int code, uintptr_t wParam, intptr_t lParam);
intptr_t KeyboardTrackerProc(int code, uintptr_t wParam, intptr_t lParam);
intptr_t MouseTrackerProc(int code, uintptr_t wParam, intptr_t lParam);

#if !defined(_WIN32)
// The platform lost a grab of the running lock and could not take it back:
// the lock no longer holds, and the report window is told (WM_HOOK_LOST).
void OnLockGrabLost();
#endif
