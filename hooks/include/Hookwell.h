// Hookwell: the hook library's exported interface and its two report messages.
//
// The controller links this library at load time and imports seven of the
// eight functions below by their C++ decorated names (never ForceUnlock), so
// both sides must see exactly these signatures. Nothing here needs windows.h:
// the handle types are declared the way the Windows headers declare them, so
// the two declarations agree when both are present.
#pragma once

struct HWND__;
typedef HWND__* HWND;

#if defined(HOOKWELL_STATIC)
#define HOOKWELL_API
#elif defined(_WIN32)
#if defined(HOOKWELL_BUILDING)
#define HOOKWELL_API __declspec(dllexport)
#else
#define HOOKWELL_API __declspec(dllimport)
#endif
#else
#define HOOKWELL_API __attribute__((visibility("default")))
#endif

// Posted (never sent) to the report window named in SetKeyboardHook.
// WM_HOOK_KEY: wParam = virtual-key code 0..255, 0x201 / 0x204 for a left /
// right button press, or the running wheel counter; lParam = 0.
// WM_HOOK_MOUSEMOVE: wParam = cursor x, lParam = cursor y (screen coordinates).
#ifndef WM_HOOK_KEY
#define WM_HOOK_KEY 0x8002
#endif
#ifndef WM_HOOK_MOUSEMOVE
#define WM_HOOK_MOUSEMOVE 0x8003
#endif
// Posted on Linux only (wParam 0, lParam 0) when the lock's grab was broken
// (by the X server's grab-break keys, say) and could not be taken back: the
// lock no longer holds and KeyboardHookHolds() answers false. The Windows
// hooks cannot be taken away like that, so it never comes there.
#ifndef WM_HOOK_LOST
#define WM_HOOK_LOST 0x8004
#endif

HOOKWELL_API void SetKeyboardHook(HWND window, bool allowMouse, bool reportMouse);
HOOKWELL_API void RemoveKeyboardHook(bool);
HOOKWELL_API void KeyboardHookRepeat(bool repeat);
HOOKWELL_API void InstallInputTracker();
HOOKWELL_API unsigned long GetLastInput();
HOOKWELL_API void RemoveInputTracker();
HOOKWELL_API void LockAll(bool lock, const bool* drives);
HOOKWELL_API void ForceUnlock(bool, const bool* drives);

#if !defined(_WIN32)
// Linux only: whether the last SetKeyboardHook really holds the keyboard (and,
// in the blocking mode, the pointer). A grab that another client keeps cannot
// be taken; the controller asks this so that it never shows a lock that does
// not hold. Not part of the Windows export table.
HOOKWELL_API bool KeyboardHookHolds();

// Linux: the library "posts" a report as an X ClientMessage event to the
// report window, format 32, of this atom's type: data.l[0] = message,
// data.l[1] = wParam, data.l[2] = lParam. The controller's window handle is
// its X window id.
#define HOOKWELL_REPORT_ATOM "HOOKWELL_REPORT"
#endif
