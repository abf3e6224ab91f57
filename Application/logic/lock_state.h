// The controller's lock state and the operations that begin and end a lock.
#pragma once
#include <cstdint>

#include "messages.h"

extern bool locked;        // a lock (full or keyboard-only) is on
extern bool keyboardOnly;  // the lock that is on is the keyboard-only lock
extern HWND hintWindow;    // the unlock-hint window of a full lock begun from the tray with pictures off
extern uint32_t taskbarCreatedMessage;

// Another program holds this mutex while it runs; the automatic lock waits.
constexpr const char* kForeignMutexName = "VeltrixLoaderChildProofMutex";

void BeginFullLock(bool fromIdle);
void BeginKeyboardLock();
void EndControllerLock();

// Every WM_TIMER: the automatic lock after options.autoLockMs of idle time.
void IdleCheck();

// WM_HOOK_LOST: the hook library lost hold of the input during a lock and
// could not take it back. The lock is undone (as the word undoes it) and the
// parent is told, so that it never looks on while nothing holds.
void EndLostLock(HWND window);

// Creates the unlock-hint window (dialog 105) owned by mainWindow and puts the
// hint text into its control 1037; returns its handle.
HWND CreateHintWindow();

// The hint text for a word: two lines, CR LF between them.
void BuildHintText(const char* word, char* text, int size);

// Shown when a lock that was on lost hold of the input.
constexpr const char* kLockLostText =
    "Bumblepad lost hold of the keyboard (another program took it), so the lock has ended.";

// Shown when a lock hook could not take the input (another program holds it).
constexpr const char* kLockFailedText =
    "Bumblepad could not take hold of the keyboard (another program may be holding it), so nothing is locked.";
