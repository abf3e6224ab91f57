// Resource ids of the controller. Fixed numbers: other code and stored
// templates refer to them (the logic's resource_ids.h names the same ones).
#pragma once
#define IDI_BUMBLEPAD 104
#define IDR_TRAY_MENU 102
#define IDR_TRAY_MENU_OLD 103
#define IDD_OPTIONS 103
#define IDD_UNLOCK_HINT 105
#define IDD_OPTIONS_OLD 106

#define ID_LOCK_DRIVE_DOORS 40002
#define ID_DISABLE_POWER_BUTTON 40003
#define ID_EXIT 40009
#define ID_LOCK_KEYBOARD_MOUSE 40010
#define ID_OPTIONS 40013
#define ID_MANAGE_MEDIA 40014
#define ID_LOCK_KEYBOARD 40015
#define ID_LOCK_KEYBOARD_OLD 40016

#define IDC_NO_AUTOREPEAT 1028
#define IDC_CTRL_ALT_DEL 1029
#define IDC_SHOW_PICTURES 1030
#define IDC_SHOW_HINT 1031
#define IDC_IDLE_MINUTES 1035
#define IDC_UNLOCK_WORD 1036
#define IDC_HINT_TEXT 1037
#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif
