// The hook system on Wayland sessions. Until a lock can hold there, every
// lock is refused with the reason, and no idle time is known.
#include "wayland_lock.h"

#include <mutex>

#include "session_kind.h"

namespace {

std::mutex receiverMutex;
HookReportReceiver receiver = nullptr;
const char* refusal = nullptr;

const char* SessionRefusal() {
    switch (Session().kind) {
    case kSessionXWayland:
        return "This desktop runs a Wayland session, but Bumblepad cannot reach its compositor (WAYLAND_DISPLAY is "
               "not set). Locking only the X programs would leave every other program open, so nothing is locked.";
    case kSessionNone:
        return "Bumblepad found no desktop session to lock, so nothing is locked.";
    default:
        return "This desktop runs a Wayland session, where Bumblepad cannot lock the keyboard yet, so nothing is "
               "locked.";
    }
}

}  // namespace

HHOOK WaylandInstallHook(int, HookProcedure) {
    refusal = SessionRefusal();
    return nullptr;
}

bool WaylandRemoveHook(HHOOK) { return false; }

void WaylandPostReport(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    std::lock_guard<std::mutex> lock(receiverMutex);
    if (receiver && window) receiver(window, message, wParam, lParam);
}

void WaylandSynthesizeKey(uint8_t, uint8_t, uint32_t) {}

bool WaylandQueryLastInputTime(uint32_t&) { return false; }

const char* KeyboardHookRefusal() { return UseWaylandAdapter() ? refusal : nullptr; }

const char* KeyboardOnlyLockRefusal() { return UseWaylandAdapter() ? SessionRefusal() : nullptr; }

const char* KeysTheDesktopKeeps() { return nullptr; }

const char* IdleTimeRefusal() {
    return UseWaylandAdapter() ? "This desktop tells Bumblepad no idle time, so the automatic lock cannot work here."
                               : nullptr;
}

void SetHookReportReceiver(HookReportReceiver r) {
    std::lock_guard<std::mutex> lock(receiverMutex);
    receiver = r;
}

void LockScreenArea(int32_t& x, int32_t& y, int32_t& width, int32_t& height) { x = y = width = height = 0; }
void LockScreenShown(bool) {}
void LockScreenUpdate(const uint32_t*, int32_t, int32_t, int32_t, int32_t, int32_t) {}
