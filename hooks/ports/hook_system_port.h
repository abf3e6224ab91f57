// The platform's hook system as the hook library's logic sees it: install and
// remove system-wide hooks, hand an event on, post a report, and the few
// other user32/kernel32 calls the hooks make. On Windows these are
// SetWindowsHookExA and friends, bound at their first call; on Linux they are
// X grabs and events of one event thread (see docs/hooks.md).
#pragma once
#include <cstdint>

#include "Hookwell.h"

struct HHOOK__;
typedef HHOOK__* HHOOK;

// The hook procedures the library installs; the adapter maps each to the
// callable the platform needs.
enum class HookProcedure {
    KeyboardLockLL,   // KeyboardLockProcLL
    KeyboardLock,     // KeyboardLockProc
    MouseBlock,       // MouseBlockProc
    MouseReport,      // MouseReportProc
    KeyboardTracker,  // KeyboardTrackerProc
    MouseTracker,     // MouseTrackerProc
};

constexpr int kWhKeyboard = 2;
constexpr int kWhMouse = 7;
constexpr int kWhKeyboardLL = 13;

// SetWindowsHookExA(type, procedure, moduleInstance, 0): a hook for the whole
// desktop; null when refused.
HHOOK InstallHook(int type, HookProcedure procedure);

// UnhookWindowsHookEx(hook). A null or stale handle is refused without harm.
bool RemoveHook(HHOOK hook);

// CallNextHookEx(hook, code, wParam, lParam), its result as it comes.
intptr_t CallNextHook(HHOOK hook, int code, uintptr_t wParam, intptr_t lParam);

// PostMessageA(window, message, wParam, lParam); the result is ignored.
void PostReport(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING 97, running, previous, 0).
void SetScreenSaverRunning(bool running, int32_t* previous);

// keybd_event(vk, scan, flags, 0).
void SynthesizeKey(uint8_t vk, uint8_t scan, uint32_t flags);

// GetTickCount(): milliseconds, unsigned 32-bit, wrapping.
uint32_t HookTickCount();

// GetLastInputInfo (cbSize 8): the tick count of the last input; false when
// the call fails.
bool QueryLastInputTime(uint32_t& time);
