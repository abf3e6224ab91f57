// The idle tracker: where the system keeps the last input time it is asked;
// elsewhere two pass-through hooks note when input came.
#include "hook_procs.h"
#include "hook_rules.h"
#include "hook_system_port.h"
#include "shared_state.h"

void InstallInputTracker() {
    if (HasLastInputService(versionInfo)) return;
    lastInputTime = HookTickCount();
    trackerKeyboardHook = InstallHook(kWhKeyboard, HookProcedure::KeyboardTracker);
    trackerMouseHook = InstallHook(kWhMouse, HookProcedure::MouseTracker);
}

unsigned long GetLastInput() {
    if (HasLastInputService(versionInfo)) {
        uint32_t time = 0;
        // A failed query answers "input now", so that a broken service never
        // makes the machine look idle and lock by itself.
        if (!QueryLastInputTime(time)) return HookTickCount();
        return time;
    }
    return lastInputTime;
}

void RemoveInputTracker() {
    if (HasLastInputService(versionInfo)) return;
    RemoveHook(trackerKeyboardHook);
    RemoveHook(trackerMouseHook);
}

intptr_t KeyboardTrackerProc(int code, uintptr_t wParam, intptr_t lParam) {
    if (TrackerKeyCounts(code)) lastInputTime = HookTickCount();
    return CallNextHook(trackerKeyboardHook, code, wParam, lParam);
}

intptr_t MouseTrackerProc(int code, uintptr_t wParam, intptr_t lParam) {
    if (code >= 0) {
        const auto* event = reinterpret_cast<const MouseEvent*>(lParam);
        if (TrackerMouseCounts(code, wParam, event->pt, lastMousePoint)) {
            lastMousePoint = event->pt;
            lastInputTime = HookTickCount();
        }
    }
    return CallNextHook(trackerMouseHook, code, wParam, lParam);
}
