#include "Hookwell.h"
#include "controller.h"
#include "tray.h"
#include "window_port.h"

#include "lock_state.h"

uint32_t taskbarCreatedMessage = 0;

static LResult ClosePath(HWND window, uint32_t message) {
    StopWindowTimer(window, kIdleTimerId);
    HandleTrayEvent(window, 2);
    PostQuit(0);
    return message == WM_QUERYENDSESSION ? 1 : 0;
}

LResult MainWindowProc(HWND window, uint32_t message, WParam wParam, LParam lParam) {
    switch (message) {
    case WM_CREATE:
        taskbarCreatedMessage = RegisterNamedMessage("TaskbarCreated");
        return 0;
    case WM_DESTROY:
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
        return ClosePath(window, message);
    default:
        break;
    }
    if (taskbarCreatedMessage != 0 && message == taskbarCreatedMessage) AddTrayIcon(window);
    return DefaultWindowProc(window, message, wParam, lParam);
}
