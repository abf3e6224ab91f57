// The controller's one top-level window and its message loop.
#pragma once
#include <cstdint>

#include "messages.h"

// Registers the window class "Bumblepad" (class style 0, standard application
// icon and arrow cursor, black background brush, MainWindowProc) and creates
// the hidden, top-most, maximized popup window "Bumblepad"; then UpdateWindow.
// The window procedure receives WM_CREATE during the creation. Returns null
// when the window could not be made.
HWND CreateMainWindow(void* instance);

// SetTimer(window, id, periodMs, no timer procedure): WM_TIMER to the window.
void StartWindowTimer(HWND window, uintptr_t id, uint32_t periodMs);

// KillTimer(window, id).
void StopWindowTimer(HWND window, uintptr_t id);

// GetMessageA / TranslateMessage / DispatchMessageA until WM_QUIT; returns
// the quit code.
int RunMessageLoop();

// PostQuitMessage(code).
void PostQuit(int code);

// RegisterWindowMessageA(name).
uint32_t RegisterNamedMessage(const char* name);

// DefWindowProcA.
LResult DefaultWindowProc(HWND window, uint32_t message, WParam wParam, LParam lParam);

// PostMessageA(window, message, wParam, lParam).
void PostWindowMessage(HWND window, uint32_t message, WParam wParam, LParam lParam);

// ShowWindow(window, command): SW_HIDE 0, SW_SHOW 5.
constexpr int kSwHide = 0;
constexpr int kSwShow = 5;
void ShowMainWindow(HWND window, int command);

// IsWindowVisible.
bool IsMainWindowVisible(HWND window);

// DestroyWindow on a window the controller made (the hint window).
void DestroyOwnedWindow(HWND window);
