#include "lock_state.h"

#include <cstdio>

#include "Hookwell.h"
#include "clock_port.h"
#include "controller.h"
#include "dialog_port.h"
#include "lock_hold_port.h"
#include "message_box_port.h"
#include "mutex_port.h"
#include "resource_ids.h"
#include "settings.h"
#include "switches.h"
#include "tray.h"
#include "lock_screen.h"
#include "window_port.h"

bool locked = false;
bool keyboardOnly = false;
HWND hintWindow = nullptr;

// A failed lock is being reported; the idle check waits for the parent to
// read it instead of stacking one message over the next every tick.
static bool reportingLockFailure = false;

// The hook was just installed. If it does not hold the input, take it off
// again, leave the state unlocked and tell the parent; nothing has been shown
// or switched yet at this point.
static bool HookTookHold(bool allowMouse) {
    if (LockHookHolds()) return true;
    RemoveKeyboardHook(allowMouse);
    locked = false;
    keyboardOnly = false;
    CheckTrayItem(kCmdLockKeyboard, false);
    reportingLockFailure = true;
    ShowMessageBox(LockRefusalText(), "Error", kMbIconWarning);
    reportingLockFailure = false;
    return false;
}

void BeginFullLock(bool fromIdle) {
    locked = true;
    SetKeyboardHook(mainWindow, options.showPictures, options.showPictures);
    if (!HookTookHold(options.showPictures)) return;
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
    SetKeyboardHook(mainWindow, true, false);
    if (!HookTookHold(true)) return;
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
    EndLockByWord(window);
    reportingLockFailure = true;
    ShowMessageBox(kLockLostText, "Error", kMbIconWarning);
    reportingLockFailure = false;
}

void IdleCheck() {
    MutexHandle foreign = OpenNamedMutex(kForeignMutexName);
    if ((!locked || keyboardOnly) && options.autoLockMs != 0 && !foreign && !reportingLockFailure) {
        uint32_t last = static_cast<uint32_t>(GetLastInput());
        uint32_t now = TickCount();
        uint32_t idle = now - last;  // modulo 2^32: a wrap in between still gives the elapsed time
        if (idle > options.autoLockMs) {
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
    char word[sizeof options.unlockWord + 1] = {};
    for (size_t i = 0; i < sizeof options.unlockWord && options.unlockWord[i]; ++i) word[i] = options.unlockWord[i];
    BuildHintText(word, text, sizeof text);
    SetDialogItemText(window, kItemHintText, text);
    return window;
}
