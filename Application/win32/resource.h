// Resource ids of the controller. Fixed numbers: other code and stored
// templates refer to them.
#pragma once
#define IDI_BUMBLEPAD 104
#define IDR_TRAY_MENU 102
#define IDR_TRAY_MENU_OLD 103
#define IDD_OPTIONS 103
#define IDD_UNLOCK_HINT 105
#define IDD_OPTIONS_OLD 106
