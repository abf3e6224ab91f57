// The end of the session, delivered to the window procedure as Windows
// delivers log-off and shut-down.
#pragma once
class QObject;

// SIGTERM and SIGHUP (what a session's processes receive at log-off and
// shut-down) become WM_QUERYENDSESSION, so the close path runs and the
// program ends in order: drive doors and power policy put back, settings
// saved.
void WatchSessionEnd(QObject* parent);
