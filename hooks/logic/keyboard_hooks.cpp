// The keyboard and mouse lock: SetKeyboardHook, RemoveKeyboardHook,
// KeyboardHookRepeat and the four lock hook procedures.
#include <cstring>

#include "hook_procs.h"
#include "hook_rules.h"
#include "hook_system_port.h"
#include "shared_state.h"

#if !defined(_WIN32)
// Per process: whether a lock started by this process is on (the hook handles
// themselves are kept after the remove, so they cannot tell).
static bool lockOn = false;
static bool mouseBlocked = false;
#endif

void SetKeyboardHook(HWND window, bool allowMouse, bool reportMouse) {
    reportWindow = window;
    std::memset(keyDownTable, 0, sizeof keyDownTable);
    if (IsNtFamily(versionInfo)) {
        lockKeyboardHook = InstallHook(kWhKeyboardLL, HookProcedure::KeyboardLockLL);
    } else {
        // Tells the older family's system that a screen saver runs, so that it
        // ignores Ctrl+Alt+Del and the task-switching keys.
        SetScreenSaverRunning(true, &screenSaverState);
        lockKeyboardHook = InstallHook(kWhKeyboard, HookProcedure::KeyboardLock);
    }
    if (!allowMouse)
        lockMouseHook = InstallHook(kWhMouse, HookProcedure::MouseBlock);
    else if (reportMouse)
        lockMouseHook = InstallHook(kWhMouse, HookProcedure::MouseReport);
#if !defined(_WIN32)
    lockOn = true;
    mouseBlocked = !allowMouse;
#endif
}

void RemoveKeyboardHook(bool) {
    if (!IsNtFamily(versionInfo)) SetScreenSaverRunning(false, &screenSaverState);
    RemoveHook(lockKeyboardHook);
    if (lockMouseHook) RemoveHook(lockMouseHook);
    lockMouseHook = nullptr;
#if !defined(_WIN32)
    lockOn = false;
#endif
}

void KeyboardHookRepeat(bool repeat) { repeatKeys = repeat; }

#if !defined(_WIN32)
// A lock holds when its keyboard hook (the keyboard grab) was granted and, in
// the blocking mode, its mouse hook (the pointer grab) too.
bool KeyboardHookHolds() {
    if (!lockOn || !lockKeyboardHook) return false;
    return !mouseBlocked || lockMouseHook != nullptr;
}

void OnLockGrabLost() {
    if (!lockOn) return;
    lockOn = false;
    PostReport(reportWindow, WM_HOOK_LOST, 0, 0);
}
#endif

intptr_t KeyboardLockProcLL(int code, uintptr_t wParam, intptr_t lParam) {
    if (code < 0) return CallNextHook(lockKeyboardHook, code, wParam, lParam);
    const auto* event = reinterpret_cast<const LowLevelKeyEvent*>(lParam);
    uint32_t vk = event->vkCode & 0xFF;
    if (LowLevelKeyReported(wParam, vk, event->flags, keyDownTable, repeatKeys))
        PostReport(reportWindow, WM_HOOK_KEY, vk, 0);
    keyDownTable[vk] = KeyTableValue(event->flags);
    if (NumLockReleaseSynthesizes(wParam, vk)) SynthesizeKey(kVkNumLock, kNumLockScan, kKeyEventExtendedKey);
    return 1;
}

intptr_t KeyboardLockProc(int code, uintptr_t wParam, intptr_t lParam) {
    if (code < 0) return CallNextHook(lockKeyboardHook, code, wParam, lParam);
    if (ClassicKeyReported(lParam, repeatKeys)) PostReport(reportWindow, WM_HOOK_KEY, wParam, 0);
    return 1;
}

intptr_t MouseBlockProc(int code, uintptr_t wParam, intptr_t lParam) {
    if (code < 0) return CallNextHook(lockMouseHook, code, wParam, lParam);
    return 1;
}

intptr_t MouseReportProc(int code, uintptr_t wParam, intptr_t lParam) {
    if (code < 0) return CallNextHook(lockMouseHook, code, wParam, lParam);
    switch (MouseReportFor(wParam)) {
    case MouseReportKind::Button:
        PostReport(reportWindow, WM_HOOK_KEY, wParam, 0);
        break;
    case MouseReportKind::Wheel:
        PostReport(reportWindow, WM_HOOK_KEY, TakeWheelCount(wheelCount), 0);
        break;
    case MouseReportKind::Move: {
        const auto* event = reinterpret_cast<const MouseEvent*>(lParam);
        PostReport(reportWindow, WM_HOOK_MOUSEMOVE, static_cast<uintptr_t>(static_cast<intptr_t>(event->pt.x)),
                   event->pt.y);
        break;
    }
    case MouseReportKind::Nothing:
        break;
    }
    return CallNextHook(lockMouseHook, code, wParam, lParam);
}
