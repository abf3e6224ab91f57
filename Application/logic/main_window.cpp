#include <new>

#include "Hookwell.h"
#include "controller.h"
#include "lock_screen.h"
#include "lock_state.h"
#include "settings.h"
#include "tray.h"
#include "update_rect_port.h"
#include "window_port.h"

uint32_t taskbarCreatedMessage = 0;

constexpr WParam kPbtApmSuspend = 4;
constexpr WParam kPbtApmResumeCritical = 6;
constexpr WParam kPbtApmResumeSuspend = 7;

bool closePathRan = false;

static LResult ClosePath(HWND window, uint32_t message) {
    closePathRan = true;
    StopWindowTimer(window, kIdleTimerId);
    HandleTrayEvent(window, 2);
    PostQuit(0);
    return message == WM_QUERYENDSESSION ? 1 : 0;
}

static LResult Dispatch(HWND window, uint32_t message, WParam wParam, LParam lParam) {
    switch (message) {
    case WM_CREATE:
        taskbarCreatedMessage = RegisterNamedMessage("TaskbarCreated");
        return 0;
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
        return ClosePath(window, message);
    case WM_ENDSESSION:
        // The session ends once this is answered, and the system may end the
        // process before its loop does: the icon goes and the settings are
        // saved now (the exit steps repeat both if the process lives on).
        if (wParam) {
            RemoveTrayIcon(window);
            SaveOptions();
        }
        return 0;
    case WM_PAINT:
        if (LockScreenHasCanvas()) {
            UpdateRect r;
            if (GetWindowUpdateRect(window, r) && r.right > r.left && r.bottom > r.top)
                PaintLockScreen(window, r.left, r.top, r.right, r.bottom);
        }
        break;
    case WM_TIMER:
        IdleCheck();
        return 0;
    case WM_POWERBROADCAST:
        if (wParam == kPbtApmResumeCritical || wParam == kPbtApmResumeSuspend) {
            if (options.lockDriveDoors) LockAll(true, options.lockDrive);
        } else if (wParam == kPbtApmSuspend) {
            LockAll(false, options.lockDrive);  // whatever the setting
        }
        break;
    case WM_TRAY_NOTIFY:
        HandleTrayEvent(window, lParam);
        return 0;
    case WM_HOOK_KEY:
        OnLockKey(window, static_cast<uint32_t>(wParam));
        break;
    case WM_LOCK_DRAW:
        OnLockDraw(window);
        return 0;
    case WM_LOCK_PICTURE:
        OnLockPictureDecoded(window);
        return 0;
    case WM_HOOK_LOST:
        EndLostLock(window);
        return 0;
    case WM_HOOK_MOUSEMOVE:
        if (IsMainWindowVisible(window))
            OnLockMouseMove(window, static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
        break;
    default:
        if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) AddTrayIcon(window);
        break;
    }
    return DefaultWindowProc(window, message, wParam, lParam);
}

LResult MainWindowProc(HWND window, uint32_t message, WParam wParam, LParam lParam) {
    // Memory running out (a 32-bit process has 2 GB) fails the message at
    // hand, never the controller: an exception must not leave the window
    // procedure.
    try {
        return Dispatch(window, message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
