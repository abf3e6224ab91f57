// Windows adapters of the tray icon and menu port, the lock-hold test and the
// update rectangle.
#include <windows.h>
#include <shellapi.h>

#include <cstring>

#include "lock_hold_port.h"
#include "lock_state.h"
#include "tray_port.h"
#include "update_rect_port.h"

void NotifyTrayIcon(uint32_t action, const TrayIconRecord& record) {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    // The first, shortest form of the record (88 bytes in the 32-bit program).
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = record.window;
    data.uID = record.id;
    data.uFlags = record.flags;
    data.uCallbackMessage = record.callbackMessage;
    data.hIcon = LoadIconA(static_cast<HINSTANCE>(record.instance), MAKEINTRESOURCEA(record.iconResource));
    lstrcpynA(data.szTip, record.tip, sizeof data.szTip);
    Shell_NotifyIconA(action, &data);
}
#if !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the first form of the tray record is 88 bytes");
#endif

MenuHandle LoadPopupMenu(void* instance, int menuId) {
    HMENU menu = LoadMenuA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(menuId));
    return menu ? GetSubMenu(menu, 0) : nullptr;
}

void CheckMenuEntry(MenuHandle menu, uint32_t id, uint32_t flags) {
    CheckMenuItem(static_cast<HMENU>(menu), id, MF_BYCOMMAND | flags);
}

uint32_t TrackMenuAtCursor(HWND owner, MenuHandle menu, uint32_t flags) {
    POINT cursor;
    GetCursorPos(&cursor);
    SetForegroundWindow(owner);
    return static_cast<uint32_t>(TrackPopupMenuEx(static_cast<HMENU>(menu), flags, cursor.x, cursor.y, owner, nullptr));
}

// The Windows hooks take the input whenever they are installed.
bool LockHookHolds() { return true; }
const char* LockRefusalText() { return kLockFailedText; }

bool GetWindowUpdateRect(HWND window, UpdateRect& rect) {
    RECT r;
    if (!GetUpdateRect(window, &r, FALSE)) return false;
    rect = {r.left, r.top, r.right, r.bottom};
    return true;
}
