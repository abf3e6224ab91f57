// The tray icon and menu land with the tray work; until then the icon calls
// are kept in their place in the start and exit order and do nothing.
#include "tray.h"

void* trayMenu = nullptr;

void CheckTrayItem(uint32_t, bool) {}
void AddTrayIcon(HWND) {}
void RemoveTrayIcon(HWND) {}
void HandleTrayEvent(HWND, LParam) {}
