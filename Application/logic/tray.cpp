#include "tray.h"

#include <cstdio>
#include <cstring>

#include "Hookwell.h"
#include "controller.h"
#include "dialog_port.h"
#include "message_box_port.h"
#include "lock_state.h"
#include "options_dialog.h"
#include "process_port.h"
#include "resource_ids.h"
#include "settings.h"
#include "switches.h"
#include "tray_port.h"
#include "window_port.h"

void* trayMenu = nullptr;
static bool trayMenuOld = false;  // menu 103 is loaded
bool optionsDialogOpen = false;

void CheckTrayItem(uint32_t id, bool checked) {
    if (!trayMenu) return;
    CheckMenuEntry(trayMenu, id, checked ? kMfChecked : kMfUnchecked);
    // Menu 103's "Lock Keyboard" is 40016, which acts as 40015: it shows
    // 40015's check mark.
    if (id == kCmdLockKeyboard && trayMenuOld)
        CheckMenuEntry(trayMenu, kCmdLockKeyboardOld, checked ? kMfChecked : kMfUnchecked);
}

char trayTip[64] = "Bumblepad";

static TrayIconRecord IconRecord(HWND window) {
    TrayIconRecord record;
    record.window = window;
    record.instance = appInstance;
    record.iconResource = kIconTray;
    std::strcpy(record.tip, trayTip);
    return record;
}

void SetTrayTip(const char* tip) {
    std::snprintf(trayTip, sizeof trayTip, "%s", tip);
    if (mainWindow) NotifyTrayIcon(kNimModify, IconRecord(mainWindow));
}

void AddTrayIcon(HWND window) { NotifyTrayIcon(kNimAdd, IconRecord(window)); }
void RemoveTrayIcon(HWND window) { NotifyTrayIcon(kNimDelete, IconRecord(window)); }

static void LoadTrayMenu() {
    int menuId = UsesFullTrayMenu(osVersionInfo) ? kMenuTrayFull : kMenuTrayOld;
    trayMenu = LoadPopupMenu(appInstance, menuId);
    if (!trayMenu) return;  // tried again at the next event
    trayMenuOld = menuId == kMenuTrayOld;
    if (options.lockDriveDoors) CheckTrayItem(kCmdLockDriveDoors, true);
    // A wish the system refused is shown as what it is: not in effect.
    if (options.disablePowerButton && !powerButtonRefused) CheckTrayItem(kCmdDisablePowerButton, true);
}

// The parent asked for "Disable Power Button" and the system refused it: the
// item stays unchecked and the parent hears why, once per run.
static void TellPowerButtonRefused() {
    static bool told = false;
    CheckTrayItem(kCmdDisablePowerButton, false);
    if (told) return;
    told = true;
    ShowMessageBox(kPowerButtonRefusedText, "Error", kMbIconWarning);
}

static void StartMediaManager() {
    // The bare name resolved against the working directory, and only when
    // the file is there; the controller does not wait for it or track it.
    const char* program = ".\\Trovebox.exe";
    if (FileExists(program)) StartProgram(program, nullptr);
}

static void RunCommand(HWND window, uint32_t command) {
    switch (command) {
    case kCmdLockDriveDoors:
        CheckTrayItem(kCmdLockDriveDoors, !options.lockDriveDoors);
        LockAll(!options.lockDriveDoors, options.lockDrive);
        options.lockDriveDoors = !options.lockDriveDoors;
        break;
    case kCmdDisablePowerButton:
        if (options.disablePowerButton && powerButtonRefused) {
            // Wished for but not in effect (the item shows unchecked): try again.
            if (DisablePowerButton()) CheckTrayItem(kCmdDisablePowerButton, true);
            else TellPowerButtonRefused();
            break;
        }
        CheckTrayItem(kCmdDisablePowerButton, !options.disablePowerButton);
        if (options.disablePowerButton) RestorePowerPolicy(PowerRestoreForm::Menu);
        else if (!DisablePowerButton()) TellPowerButtonRefused();
        options.disablePowerButton = !options.disablePowerButton;
        break;
    case kCmdExit:
        PostWindowMessage(window, WM_CLOSE, 0, 0);
        break;
    case kCmdLockKeyboardMouse:
        BeginFullLock(false);
        break;
    case kCmdOptions:
        optionsDialogOpen = true;
        RunModalDialog(appInstance, OptionsDialogTemplate(osVersionInfo), mainWindow, OptionsDialogProc);
        optionsDialogOpen = false;
        if (closePathRan) break;  // ended by a log-off: the doors stay released
        if (options.lockDriveDoors) LockAll(true, options.lockDrive);
        KeyboardHookRepeat(options.keyRepeat);
        break;
    case kCmdManageMedia:
        StartMediaManager();
        break;
    case kCmdLockKeyboard:
    case kCmdLockKeyboardOld:  // the older menu's item does the same, so that no item is dead
        if (locked) EndControllerLock();
        else BeginKeyboardLock();
        break;
    default:
        break;
    }
}

// Every command but "Lock Keyboard" itself ends a keyboard-only lock first;
// a dismissed menu (0) leaves it on.
static void ActOnCommand(HWND window, uint32_t command) {
    bool itemLocksKeyboard = command == kCmdLockKeyboard || command == kCmdLockKeyboardOld;
    if (locked && !itemLocksKeyboard && command != 0) EndControllerLock();
    RunCommand(window, command);
}

// The options dialog lies above a lock window, so no lock may start under
// it, and a second menu or dialog must not open over it.
static bool TrayActs() { return !(locked && !keyboardOnly) && !optionsDialogOpen; }

void HandleTrayEvent(HWND window, LParam event) {
    if (!trayMenu) LoadTrayMenu();
    if (TrayActs()) {
        uint32_t command = 0;
        bool acts = true;
        if (event == WM_RBUTTONUP) {
            command = trayMenu ? TrackMenuAtCursor(window, trayMenu, kTpmReturnCmdRightAlign) : 0;
        } else if (event == WM_LBUTTONDBLCLK) {
            command = kCmdLockKeyboardMouse;
        } else {
            acts = false;
        }
        if (acts) ActOnCommand(window, command);
    }
    if (event == 2) {
        if (options.lockDriveDoors) LockAll(false, options.lockDrive);
        if (options.disablePowerButton) RestorePowerPolicy(PowerRestoreForm::Closing);
    }
}

const char* OutsideCommandRefusal(uint32_t command) {
    switch (command) {
        case kCmdLockKeyboardMouse:
        case kCmdLockKeyboard:
        case kCmdOptions:
        case kCmdManageMedia:
        case kCmdExit:
            break;
        default:
            return kOutsideCommandUnknownText;
    }
    if (locked && !keyboardOnly) return kOutsideCommandFullLockText;
    if (optionsDialogOpen) return kOutsideCommandOptionsOpenText;
    return nullptr;
}

bool RunOutsideCommand(HWND window, uint32_t command) {
    if (!trayMenu) LoadTrayMenu();
    if (OutsideCommandRefusal(command)) return false;
    ActOnCommand(window, command);
    return true;
}
