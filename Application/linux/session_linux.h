// The end of the session, delivered to the window procedure as Windows
// delivers log-off and shut-down.
#pragma once
class QObject;

// SIGTERM and SIGHUP (what a session's processes receive at log-off and
// shut-down) become WM_QUERYENDSESSION, so the close path runs and the
// program ends in order: drive doors and power policy put back, settings
// saved.
void WatchSessionEnd(QObject* parent);

// When the X connection dies, Qt (or Xlib) ends the process at once with
// exit(1). Registered once at start, this runs the orderly close from that
// exit instead (close path, tracker removed, settings saved) and ends with
// code 0; an exit after the message loop has returned is left alone.
void WatchForForcedExit();

// The message loop is running (set around it by the window adapter).
void SetMessageLoopRunning(bool running);

// True once the display is known to be gone: nothing can be shown any more.
bool DisplayGone();
