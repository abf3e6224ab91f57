// Suspend and resume from logind, delivered to the window procedure as the
// Windows power broadcasts.
#pragma once
class QObject;

// Listens for org.freedesktop.login1.Manager.PrepareForSleep on the system
// bus: true posts WM_POWERBROADCAST with PBT_APMSUSPEND (4), false with
// PBT_APMRESUMESUSPEND (7). The removal of this session (log-out) and
// PrepareForShutdown(true) post WM_QUERYENDSESSION, the orderly close.
// Without a system bus or logind nothing happens.
void WatchSleepSignals(QObject* parent);
