// The controller's lock state and the operations that begin and end a lock.
#pragma once
#include <cstdint>

#include "messages.h"

extern bool locked;        // a lock (full or keyboard-only) is on
extern bool keyboardOnly;  // the lock that is on is the keyboard-only lock
extern HWND hintWindow;    // the unlock-hint window of a full lock begun from the tray with pictures off
extern uint32_t taskbarCreatedMessage;

void BeginFullLock(bool fromIdle);
void BeginKeyboardLock();
void EndControllerLock();

// Creates the unlock-hint window (dialog 105) owned by mainWindow and puts the
// hint text into its control 1037; returns its handle.
HWND CreateHintWindow();
