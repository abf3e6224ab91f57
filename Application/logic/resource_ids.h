// Resource, command and control ids of the controller. Fixed numbers: the
// Windows resource script and the Linux windows use the same ones.
#pragma once
#include <cstdint>

constexpr int kIconTray = 104;
constexpr int kMenuTrayFull = 102;  // with "Disable Power Button"
constexpr int kMenuTrayOld = 103;
constexpr int kDialogOptions = 103;
constexpr int kDialogUnlockHint = 105;
constexpr int kDialogOptionsOld = 106;

// Tray menu commands.
constexpr uint32_t kCmdLockDriveDoors = 40002;
constexpr uint32_t kCmdDisablePowerButton = 40003;
constexpr uint32_t kCmdExit = 40009;
constexpr uint32_t kCmdLockKeyboardMouse = 40010;
constexpr uint32_t kCmdOptions = 40013;
constexpr uint32_t kCmdManageMedia = 40014;
constexpr uint32_t kCmdLockKeyboard = 40015;
constexpr uint32_t kCmdLockKeyboardOld = 40016;

// Options dialog items.
constexpr int kItemFirstDrive = 1001;  // 1001..1026: A..Z
constexpr int kItemNoAutoRepeat = 1028;
constexpr int kItemCtrlAltDel = 1029;
constexpr int kItemShowPictures = 1030;
constexpr int kItemShowHint = 1031;
constexpr int kItemIdleMinutes = 1035;
constexpr int kItemUnlockWord = 1036;
constexpr int kItemOk = 2;  // the platform's cancel id: Esc and the close box send it too
// Unlock-hint window item.
constexpr int kItemHintText = 1037;

// The tray menus, top to bottom; id 0 is a separator.
struct MenuEntry {
    uint32_t id;
    const char* text;
};
constexpr MenuEntry kTrayMenuFullEntries[] = {
    {kCmdManageMedia, "Manage Pictures/Sounds"}, {kCmdOptions, "Options"},
    {0, nullptr},
    {kCmdDisablePowerButton, "Disable Power Button"}, {kCmdLockDriveDoors, "Lock Drive Doors"},
    {kCmdLockKeyboard, "Lock Keyboard"}, {kCmdLockKeyboardMouse, "Lock Keyboard/Mouse"},
    {0, nullptr},
    {kCmdExit, "Exit"},
};
constexpr MenuEntry kTrayMenuOldEntries[] = {
    {kCmdManageMedia, "Manage Pictures/Sounds"}, {kCmdOptions, "Options"},
    {0, nullptr},
    {kCmdLockDriveDoors, "Lock Drive Doors"}, {kCmdLockKeyboardOld, "Lock Keyboard"},
    {kCmdLockKeyboardMouse, "Lock Keyboard/Mouse"},
    {0, nullptr},
    {kCmdExit, "Exit"},
};
