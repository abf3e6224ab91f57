// The controller's side of a lock on a Wayland session: the hook library's
// reports are queued for the window procedure without X, and the lock
// window's picture goes to the library's lock surfaces instead of a Qt
// window (which the compositor would place as an ordinary window).
#pragma once
#include <QRect>

class ControllerWindow;

// Called once the controller's window exists.
void ConnectToSession(ControllerWindow* window);

// True on every session but a real X11 one.
bool LockScreenOnWayland();
