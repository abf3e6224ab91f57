// Linux only: the kind of desktop session the hook library locks, and what a
// lock can do there. Not part of the Windows export table.
//
// On a real X11 session the library grabs the X server (docs/hooks.md). On a
// Wayland session an X grab would hold only the X programs, so the library
// locks through the compositor instead, with a Wayland connection of its own;
// the reports then reach the controller through a receiver function rather
// than X client messages (docs/platform.md).
#pragma once
#include <cstdint>

#include "Hookwell.h"

// What HookSessionKind() answers.
enum : int {
    kSessionX11 = 0,       // an X server that is not a Wayland compositor's
    kSessionXWayland = 1,  // only the X server of a Wayland session is reachable (no WAYLAND_DISPLAY)
    kSessionWayland = 2,   // a Wayland compositor is reachable (X programs may run beside it)
    kSessionNone = 3,      // neither
};

// How a lock holds on the Wayland compositor of this session.
enum : int {
    kWaylandLockNone = 0,          // no way: the lock is refused
    kWaylandLockSessionLock = 1,   // ext-session-lock-v1
    kWaylandLockLayerShell = 2,    // wlr-layer-shell overlay + wlr-input-inhibitor
    kWaylandLockFullscreen = 3,    // full-screen window + keyboard-shortcuts inhibit + pointer constraints
};

// Decided at the first call and kept.
HOOKWELL_API int HookSessionKind();
HOOKWELL_API int WaylandLockMethod();

// Why the last SetKeyboardHook did not hold, on a desktop where the library
// knows (the controller words it, desktop_texts.h); kRefusalNone when the
// generic reason fits (an X grab another client keeps).
enum : int {
    kRefusalNone = 0,
    kRefusalNoCompositor = 1,        // only the X server of a Wayland session is reachable
    kRefusalNoSession = 2,           // no desktop session at all
    kRefusalNoMethod = 3,            // the compositor offers no way to lock
    kRefusalNotGranted = 4,          // the compositor did not grant the lock in time
    kRefusalRefused = 5,             // the compositor refused it (another locker, ...)
    kRefusalAwaitingPermission = 6,  // the desktop asks the person first (GNOME's first use)
    kRefusalNoAnswer = 7,            // the compositor did not answer
};
HOOKWELL_API int KeyboardHookRefusal();

// Whether GetLastInput can know the idle time on this desktop.
HOOKWELL_API bool IdleTimeKnown();

// ext-session-lock: what became of a session lock that an earlier controller
// left on when it stopped (the compositor keeps the session locked then).
enum : int {
    kLeftOverNone = 0,   // none was left
    kLeftOverEnded = 1,  // it was taken over and ended
    kLeftOverStuck = 2,  // the compositor did not let it be taken over
};
HOOKWELL_API int SessionLockLeftOver();

// The key that types a character on the current keyboard layout (the X
// server's, or the one the Wayland compositor sent), as VkKeyScanA answers:
// the code the library reports for that key, 0x100 added when Shift is
// needed, 0x600 for AltGr (Ctrl+Alt); -1 when no key types it or the layout
// is not known.
HOOKWELL_API int16_t LockKeyForCharacter(char character);
// Whether that layout is known: on X always; on Wayland once the compositor
// has sent the keymap of a keyboard of the seat.
HOOKWELL_API bool LockKeymapKnown();

// Wayland sessions: the reports (WM_HOOK_KEY, WM_HOOK_MOUSEMOVE) are handed to
// this function, on the library's own thread; it must queue them for the
// controller's thread (they are posted, never sent).
typedef void (*HookReportReceiver)(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam);
HOOKWELL_API void SetHookReportReceiver(HookReportReceiver receiver);

// Wayland sessions: the lock surfaces cover every output and show what the
// controller's lock window would show. The area is the union of the outputs
// in the compositor's layout (x, y of its top left corner, width, height).
HOOKWELL_API void LockScreenArea(int32_t& x, int32_t& y, int32_t& width, int32_t& height);
// Shown (opaque, black where nothing is drawn yet) or not (the surfaces are
// clear: the desktop shows through, input still goes nowhere else).
HOOKWELL_API void LockScreenShown(bool shown);
// A rectangle of the lock window's picture copied to the surfaces: pixels
// holds the whole picture, 32-bit 0xAARRGGBB rows of stride pixels, its
// pixel 0, 0 at the area's top left corner.
HOOKWELL_API void LockScreenUpdate(const uint32_t* pixels, int32_t stride, int32_t x, int32_t y, int32_t width,
                                   int32_t height);
