// The tray icon and its menu.
#pragma once
#include <cstdint>

#include "messages.h"

// The popup of the loaded tray menu; null until the first tray event.
extern void* trayMenu;
// The options dialog is open: no lock begins and the tray is not acted on.
extern bool optionsDialogOpen;

// CheckMenuItem(trayMenu, id, by command, MF_CHECKED 8 / MF_UNCHECKED 0).
void CheckTrayItem(uint32_t id, bool checked);

void AddTrayIcon(HWND window);
extern char trayTip[64];  // the icon's tip

// Puts tip (at most 63 characters) on the icon, now and whenever it is added
// again; kAppName is the usual one.
void SetTrayTip(const char* tip);
void RemoveTrayIcon(HWND window);

// Every WM_TRAY_NOTIFY (event = lParam) and the close path (event = 2, the
// program is closing: drive doors released, power policy restored).
void HandleTrayEvent(HWND window, LParam event);

// Shown when the parent switches "Disable Power Button" on and the system
// does not let the buttons be disabled.
constexpr const char* kPowerButtonRefusedText =
    "Bumblepad cannot make the power and sleep buttons do nothing on this computer (no power manager accepted the "
    "change), so \"Disable Power Button\" stays unchecked.";

// A tray command given from outside the tray (on Linux: "bumblepad --lock",
// "--lock-keyboard", "--options", "--media", "--exit"), under the tray's own
// rules: nothing during a full lock or while the options dialog is open, and
// during a keyboard-only lock every command but "Lock Keyboard" ends it
// first. Only those five commands are taken. The refusal's reason, or null
// when the command would be carried out now.
const char* OutsideCommandRefusal(uint32_t command);
// Carries the command out when it is not refused; false when refused.
bool RunOutsideCommand(HWND window, uint32_t command);

constexpr const char* kOutsideCommandFullLockText = "A full lock is on; it ends only when its unlock word is typed.";
constexpr const char* kOutsideCommandOptionsOpenText = "The options are open; close them first.";
constexpr const char* kOutsideCommandUnknownText = "Bumblepad does not know this command.";
