// The tray icon and its menu.
#pragma once
#include <cstdint>

#include "messages.h"

void AddTrayIcon(HWND window);
void RemoveTrayIcon(HWND window);

// Every WM_TRAY_NOTIFY (event = lParam) and the close path (event = 2, the
// program is closing: drive doors released, power policy restored).
void HandleTrayEvent(HWND window, LParam event);
