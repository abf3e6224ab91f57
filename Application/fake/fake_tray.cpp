#include "fake_tray.h"

#include <cstdio>
#include <string>

#include "fake_platform.h"
#include "lock_hold_port.h"
#include "lock_state.h"
#include "tray_port.h"
#include "update_rect_port.h"

namespace fake {
TrayScript tray;
void ResetTray() { tray = TrayScript(); }
}  // namespace fake

using fake::calls;
using fake::tray;

static std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

void NotifyTrayIcon(uint32_t action, const TrayIconRecord& r) {
    calls.push_back("Shell_NotifyIconA(" + std::to_string(action) + "," + std::to_string(r.cbSize) + "," +
                    std::to_string(r.id) + "," + std::to_string(r.flags) + "," + Hex(r.callbackMessage) + "," +
                    std::to_string(r.iconResource) + "," + r.tip + ")");
}

static int fakeMenu;
MenuHandle LoadPopupMenu(void*, int menuId) {
    calls.push_back("LoadMenuA(" + std::to_string(menuId) + ")");
    if (tray.menuLoadFails) return nullptr;
    tray.checked.clear();
    return &fakeMenu;
}

void CheckMenuEntry(MenuHandle, uint32_t id, uint32_t flags) {
    calls.push_back("CheckMenuItem(" + std::to_string(id) + "," + std::to_string(flags) + ")");
    tray.checked[id] = flags == 8;
}

uint32_t TrackMenuAtCursor(HWND, MenuHandle, uint32_t flags) {
    calls.push_back("TrackPopupMenuEx(" + Hex(flags) + ")");
    if (tray.menuChoices.empty()) return 0;
    uint32_t choice = tray.menuChoices.front();
    tray.menuChoices.pop_front();
    return choice;
}

bool LockHookHolds() { return tray.lockHolds; }
const char* LockRefusalText() { return tray.refusalText ? tray.refusalText : kLockFailedText; }

bool GetWindowUpdateRect(HWND, UpdateRect& r) {
    r = {tray.updateRect[0], tray.updateRect[1], tray.updateRect[2], tray.updateRect[3]};
    return tray.hasUpdateRect;
}
