// Linux only: the code the hook library reports for a key, so that the
// controller can translate its unlock word into exactly those codes.
#pragma once
#include "Hookwell.h"

#if !defined(_WIN32)
// The virtual-key code WM_HOOK_KEY carries for the X key `keycode` on
// `display` (an Xlib Display*): the code of the key's unshifted keysym in its
// first group, or, for a national letter without one, the code of the key at
// the same place on a US keyboard; 0xFF for a key with neither.
HOOKWELL_API unsigned char ReportedKeyCode(void* display, unsigned keycode);
#endif
