#include "wayland_screen.h"

#include "lock_session.h"
#include "window_linux.h"

static ControllerWindow* reportTarget = nullptr;

// On the library's thread: queued for the controller's thread.
static void ReceiveReport(HWND, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (reportTarget) reportTarget->Post(message, wParam, lParam);
}

bool LockScreenOnWayland() { return HookSessionKind() != kSessionX11; }

void ConnectToSession(ControllerWindow* window) {
    if (!LockScreenOnWayland()) return;
    reportTarget = window;
    SetHookReportReceiver(ReceiveReport);
}
