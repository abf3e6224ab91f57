// The controller's lock state and the operations that begin and end a lock.
#pragma once
#include <cstdint>
#include <string>

#include "messages.h"

extern bool locked;        // a lock (full or keyboard-only) is on
extern bool keyboardOnly;  // the lock that is on is the keyboard-only lock
extern HWND hintWindow;    // the unlock-hint window of a full lock begun from the tray with pictures off
extern uint32_t taskbarCreatedMessage;
extern bool lockFromIdle;       // the lock that is on was begun by the idle check
extern bool lockShowsPictures;  // options.showPictures as the lock that is on began

// Another program holds this mutex while it runs; the automatic lock waits.
constexpr const char* kForeignMutexName = "VeltrixLoaderChildProofMutex";

void BeginFullLock(bool fromIdle);
void BeginKeyboardLock();
void EndControllerLock();

// Every WM_TIMER: the automatic lock after options.autoLockMs of idle time.
void IdleCheck();

// WM_HOOK_LOST: the hook library lost hold of the input during a lock and
// could not take it back. The lock is undone (as the word undoes it) and
// refused like one that could not take hold (RefuseLock), so that the parent
// never looks on while nothing holds; an automatic one is tried again.
void EndLostLock(HWND window);

// Creates the unlock-hint window (dialog 105) owned by mainWindow and puts the
// hint text into its control 1037; returns its handle.
HWND CreateHintWindow();

// The hint text for a word: two lines, CR LF between them.
void BuildHintText(const char* word, char* text, int size);

// The one way a lock that cannot be had is turned down, with the state left
// Unlocked (whatever the lock had taken already given back). A lock the
// parent asked for (fromIdle false): text in a message box, caption "Error";
// while it is open the idle check waits. The automatic lock (fromIdle true):
// no box, as nobody may be there to close it; text goes to the log and the
// tray tip says that the last automatic lock could not take hold, once until
// an automatic lock holds again, and the idle check tries again at its next
// tick.
void RefuseLock(bool fromIdle, const char* text);
extern std::string automaticLockNote;  // the text of the last refused automatic lock; empty once one held

// Shown when a lock that was on lost hold of the input.
constexpr const char* kLockLostText =
    "Bumblepad lost hold of the keyboard (another program took it), so the lock has ended.";

// Shown when a lock hook could not take the input (another program holds it).
constexpr const char* kLockFailedText =
    "Bumblepad could not take hold of the keyboard (another program may be holding it), so nothing is locked.";
// Shown when the unlock word could not end the lock: the character, the word.
constexpr const char* kWordLockRefusedText =
    "Bumblepad cannot lock: the character \"%c\" of the unlock word \"%s\" cannot be typed on the current "
    "keyboard layout (it has no key, or needs AltGr or Ctrl+Alt after the first letter), so nothing is locked. "
    "Choose another unlock word in Options.";
constexpr const char* kAutomaticLockFailedTip = "Bumblepad: the last automatic lock could not take hold";
