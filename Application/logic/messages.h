// Window message numbers and parameter types used by the controller. The
// Windows adapters include <windows.h> first, so these only fill in what the
// platform header has not already defined (with the same values).
#pragma once
#include <cstdint>

#include "Hookwell.h"

typedef uintptr_t WParam;   // WPARAM
typedef intptr_t LParam;    // LPARAM
typedef intptr_t LResult;   // LRESULT

#ifndef WM_CREATE
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUERYENDSESSION 0x0011
#define WM_TIMER 0x0113
#define WM_POWERBROADCAST 0x0218
#define WM_RBUTTONUP 0x0205
#define WM_LBUTTONDBLCLK 0x0203
#endif
#ifndef WM_ENDSESSION
#define WM_ENDSESSION 0x0016
#endif
#ifndef WM_TRAY_NOTIFY
#define WM_TRAY_NOTIFY 0x8001
#endif
// The lock screen's own messages to its window: draw the newest key's
// picture once the reports before it have been read; a picture decoded in
// the background is ready (lParam: the decoding job).
#ifndef WM_LOCK_DRAW
#define WM_LOCK_DRAW 0x8010
#define WM_LOCK_PICTURE 0x8011
#endif
