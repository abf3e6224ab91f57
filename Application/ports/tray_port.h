// The notification-area icon and popup menus.
#pragma once
#include <cstdint>

#include "messages.h"

// NOTIFYICONDATAA in its first, 88-byte form. The icon is named by its
// resource id and loaded from instance each time the record is handed over.
struct TrayIconRecord {
    uint32_t cbSize = 88;
    HWND window = nullptr;
    uint32_t id = 1;
    uint32_t flags = 7;  // NIF_MESSAGE | NIF_ICON | NIF_TIP
    uint32_t callbackMessage = WM_TRAY_NOTIFY;
    void* instance = nullptr;
    int iconResource = 104;
    char tip[64] = {};
};

constexpr uint32_t kNimAdd = 0;
constexpr uint32_t kNimModify = 1;
constexpr uint32_t kNimDelete = 2;

// Shell_NotifyIconA(action, record); the result is not examined.
void NotifyTrayIcon(uint32_t action, const TrayIconRecord& record);

typedef void* MenuHandle;

// LoadMenuA(instance, menuId) and its submenu 0; null when it cannot be loaded.
MenuHandle LoadPopupMenu(void* instance, int menuId);

constexpr uint32_t kMfUnchecked = 0;
constexpr uint32_t kMfChecked = 8;
// CheckMenuItem(menu, id, MF_BYCOMMAND | flags).
void CheckMenuEntry(MenuHandle menu, uint32_t id, uint32_t flags);

constexpr uint32_t kTpmReturnCmdRightAlign = 0x108;  // TPM_RETURNCMD | TPM_RIGHTALIGN
// GetCursorPos; SetForegroundWindow(owner); TrackPopupMenuEx(menu, flags,
// cursor x, cursor y, owner, no parameters). Returns the chosen item's id, 0
// when the menu was dismissed.
uint32_t TrackMenuAtCursor(HWND owner, MenuHandle menu, uint32_t flags);
