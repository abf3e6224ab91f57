// The controller's side of a lock on a Wayland session: the hook library's
// reports are queued for the window procedure without X, and the lock
// window's picture goes to the library's lock surfaces instead of a Qt
// window (which the compositor would place as an ordinary window).
#pragma once
#include <QRect>

class ControllerWindow;
class QWidget;

// Called once the controller's window exists.
void ConnectToSession(ControllerWindow* window);

// True on every session but a real X11 one.
bool LockScreenOnWayland();

// ShowMainWindow and IsMainWindowVisible there: the window is never mapped;
// it takes the size of the lock area, and the lock surfaces show its picture
// (black where nothing is drawn) while it counts as shown.
void ShowWaylandLockScreen(ControllerWindow* window, bool shown);
bool WaylandLockScreenShown();

// A rectangle of the lock window's picture changed (the drawing adapter
// calls this for every change); the changes of one turn of the event loop
// go to the lock surfaces together.
void NoteLockScreenChange(const QRect& area);

// The hint window of a tray lock with pictures off: drawn onto the lock
// surfaces at its place, since a window of ours cannot come above them.
void ShowHintOnLockScreen(QWidget* hint);
