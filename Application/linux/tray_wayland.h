// What the tray does differently where it is a StatusNotifierItem (every
// Wayland desktop, and X desktops whose panel hosts such items) and on
// Wayland sessions.
#pragma once
#include <cstdint>

class QAction;

// Qt shows the icon as a StatusNotifierItem (a host is registered on the
// session bus, as Qt itself tests): that path has no double click, so its
// activation (a left click) stands for the double click.
bool TrayIsStatusNotifierItem();

// Wayland: "Lock Keyboard" cannot hold there; the item is shown disabled
// with the reason as its tooltip.
void MarkKeyboardOnlyItem(QAction* item);

// Before a lock the parent asked for: where the desktop keeps keys for
// itself, the parent is told which, the first time on that desktop.
void TellKeptKeysOnce();
