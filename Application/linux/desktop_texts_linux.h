// The texts of desktop_texts.h chosen for this desktop from what the hook
// library says about it.
#pragma once

// Why the lock just refused could not be had here; null when the generic
// text fits.
const char* HookRefusalText();
// Why "Lock Keyboard" cannot hold here (Wayland); null where it can.
const char* KeyboardOnlyRefusalText();
// The keys the desktop keeps for itself during a full lock; null when none
// are worth telling (X11, an input inhibitor, a session lock).
const char* KeptKeysText();
// Why the automatic lock cannot work here; null where it can.
const char* IdleUnknownText();
// At start: a session lock an earlier controller left on is reported (ended,
// or what the parent must do to end it).
void TellLeftOverSessionLock();
