#include <windows.h>

#include "controller.h"
#include "window_port.h"

static LRESULT CALLBACK WindowProcThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return MainWindowProc(window, message, wParam, lParam);
}

HWND CreateMainWindow(void* instance) {
    WNDCLASSA windowClass = {};
    windowClass.style = 0;
    windowClass.lpfnWndProc = WindowProcThunk;
    windowClass.hInstance = static_cast<HINSTANCE>(instance);
    windowClass.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));   // IDI_APPLICATION
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = kAppName;
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kAppName, kAppName, WS_POPUP | WS_MAXIMIZE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  static_cast<HINSTANCE>(instance), nullptr);
    if (window) UpdateWindow(window);
    return window;
}

void StartWindowTimer(HWND window, uintptr_t id, uint32_t periodMs) { SetTimer(window, id, periodMs, nullptr); }
void StopWindowTimer(HWND window, uintptr_t id) { KillTimer(window, id); }

int RunMessageLoop() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

void PostQuit(int code) { PostQuitMessage(code); }
uint32_t RegisterNamedMessage(const char* name) { return RegisterWindowMessageA(name); }

LResult DefaultWindowProc(HWND window, uint32_t message, WParam wParam, LParam lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

void PostWindowMessage(HWND window, uint32_t message, WParam wParam, LParam lParam) {
    PostMessageA(window, message, wParam, lParam);
}

void ShowMainWindow(HWND window, int command) { ShowWindow(window, command); }
bool IsMainWindowVisible(HWND window) { return IsWindowVisible(window) != FALSE; }
void DestroyOwnedWindow(HWND window) { DestroyWindow(window); }
