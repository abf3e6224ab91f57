// Which desktop the library runs on, decided once: the X adapter is used only
// on a real X11 session; everywhere else the Wayland adapter answers (and
// refuses what cannot hold).
#pragma once
#include <string>

#include "lock_session.h"

struct WaylandGlobals {
    bool compositor = false, shm = false, seat = false, output = false, xdgShell = false;
    bool sessionLock = false, layerShell = false, inputInhibitor = false;
    bool shortcutsInhibit = false, pointerConstraints = false;
    bool idleNotify = false, kdeIdle = false;
};

struct SessionFacts {
    int kind = kSessionNone;
    WaylandGlobals globals;     // what the compositor advertised (Wayland sessions)
    std::string desktop;        // XDG_CURRENT_DESKTOP, upper case
    int method = kWaylandLockNone;
};

// The facts, gathered at the first call.
const SessionFacts& Session();

// True when the X adapter must not act (any session but real X11).
inline bool UseWaylandAdapter() { return Session().kind != kSessionX11; }

// The lock method a compositor with these globals allows.
int ChooseLockMethod(const WaylandGlobals& globals);
