#include "lock_state.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "Hookwell.h"
#include "clock_port.h"
#include "controller.h"
#include "dialog_port.h"
#include "keyboard_layout_port.h"
#include "lock_hold_port.h"
#include "lock_screen.h"
#include "message_box_port.h"
#include "mutex_port.h"
#include "resource_ids.h"
#include "settings.h"
#include "switches.h"
#include "tray.h"
#include "unlock_word.h"
#include "window_port.h"

bool locked = false;
bool keyboardOnly = false;
HWND hintWindow = nullptr;

bool lockFromIdle = false;
bool lockShowsPictures = false;
std::string automaticLockNote;

// A refused lock is being reported; the idle check waits for the parent to
// read it instead of stacking one message over the next every tick.
static bool reportingLockFailure = false;

void RefuseLock(bool fromIdle, const char* text) {
    if (!fromIdle) {
        reportingLockFailure = true;
        ShowMessageBox(text, "Error", kMbIconWarning);
        reportingLockFailure = false;
        return;
    }
    // Nobody is there to read a box: the log and the tray tip say it once.
    if (automaticLockNote == text) return;
    automaticLockNote = text;
    LogNote(text);
    SetTrayTip(kAutomaticLockFailedTip);
}

// An automatic lock took hold: the note of an earlier refusal is withdrawn.
static void AutomaticLockHeld() {
    if (automaticLockNote.empty()) return;
    automaticLockNote.clear();
    LogNote("The automatic lock has taken hold.");
    SetTrayTip(kAppName);
}

// A full lock ends only by its word: a word that cannot be typed on the
// current layout must not start one. The character that cannot be typed, or
// -1.
static int UntypeableWordCharacter() {
    const StoredWord word = CurrentUnlockWord();
    return UntypeableCharacter(word.text, std::strlen(word.text));
}

static void RefuseWord(bool fromIdle, int bad) {
    const StoredWord word = CurrentUnlockWord();
    char text[320];
    std::snprintf(text, sizeof text, kWordLockRefusedText, word.text[bad], word.text);
    RefuseLock(fromIdle, text);
}

static bool WordRefused(bool fromIdle) {
    const int bad = UntypeableWordCharacter();
    if (bad < 0) return false;
    RefuseWord(fromIdle, bad);
    return true;
}

// Takes the hook just installed off again and leaves the state unlocked;
// nothing has been shown or switched yet.
static void UndoHook(bool allowMouse) {
    RemoveKeyboardHook(allowMouse);
    locked = false;
    keyboardOnly = false;
    CheckTrayItem(kCmdLockKeyboard, false);
}

// The hook was just installed. If it does not hold the input, it is undone.
static bool HookTookHold(bool allowMouse, bool fromIdle) {
    if (LockHookHolds()) return true;
    UndoHook(allowMouse);
    RefuseLock(fromIdle, LockRefusalText());
    return false;
}

void BeginFullLock(bool fromIdle) {
    // Where the layout is known only once a keyboard is there (a Wayland
    // desktop before its first key), the word is judged when the lock holds.
    const bool layoutKnownBefore = KeyboardLayoutKnown();
    if (WordRefused(fromIdle)) return;
    locked = true;
    lockFromIdle = fromIdle;
    lockShowsPictures = options.showPictures;
    SetKeyboardHook(mainWindow, options.showPictures, options.showPictures);
    if (!HookTookHold(options.showPictures, fromIdle)) return;
    // (Judged before the hook is undone: the layout may be unknown again then.)
    if (const int bad = layoutKnownBefore ? -1 : UntypeableWordCharacter(); bad >= 0) {
        UndoHook(options.showPictures);
        RefuseWord(fromIdle, bad);
        return;
    }
    if (fromIdle) AutomaticLockHeld();
    if (fromIdle || options.showPictures) {
        ShowMainWindow(mainWindow, kSwShow);
    } else if (options.showUnlockHint) {
        hintWindow = CreateHintWindow();
    }
    SetAccessibilityHotkeys(true);
}

void BeginKeyboardLock() {
    CheckTrayItem(kCmdLockKeyboard, true);
    locked = true;
    keyboardOnly = true;
    lockFromIdle = false;
    lockShowsPictures = options.showPictures;
    SetKeyboardHook(mainWindow, true, false);
    if (!HookTookHold(true, false)) return;
    SetAccessibilityHotkeys(true);
}

void EndControllerLock() {
    locked = false;
    keyboardOnly = false;
    RemoveKeyboardHook(true);
    SetAccessibilityHotkeys(false);
    CheckTrayItem(kCmdLockKeyboard, false);
}

void EndLostLock(HWND window) {
    if (!locked) return;
    const bool fromIdle = lockFromIdle;
    EndLockByWord(window);
    RefuseLock(fromIdle, kLockLostText);  // an automatic one is tried again at the next idle check
}

void IdleCheck() {
    MutexHandle foreign = OpenNamedMutex(kForeignMutexName);
    if ((!locked || keyboardOnly) && options.autoLockMs != 0 && !foreign && !reportingLockFailure &&
        !optionsDialogOpen) {
        uint32_t last = static_cast<uint32_t>(GetLastInput());
        uint32_t now = TickCount();
        uint32_t idle = now - last;  // modulo 2^32: a wrap in between still gives the elapsed time
        // A keyboard-only lock is given up only for a full lock that can begin.
        if (idle > options.autoLockMs && !(keyboardOnly && WordRefused(true))) {
            if (keyboardOnly) EndControllerLock();
            BeginFullLock(true);
        }
    }
    if (foreign) CloseMutex(foreign);
}

void BuildHintText(const char* word, char* text, int size) {
    std::snprintf(text, static_cast<size_t>(size), "Bumblepad has locked your keyboard and mouse.\r\nType \"%s\" to unlock them.",
                  word);
}

HWND CreateHintWindow() {
    HWND window = CreateModelessDialog(appInstance, kDialogUnlockHint, mainWindow);
    if (!window) return nullptr;
    char text[128];
    BuildHintText(CurrentUnlockWord().text, text, sizeof text);
    SetDialogItemText(window, kItemHintText, text);
    return window;
}
