// What the parent is told about the desktop a lock runs on: why a lock could
// not be had there, which keys the desktop keeps, the idle time it cannot
// tell. Chosen by the Linux adapters from what the hook library says.
#pragma once

constexpr const char* kNoCompositorText =
    "This desktop runs a Wayland session, but Bumblepad cannot reach its compositor (WAYLAND_DISPLAY is not set). "
    "Locking only the X programs would leave every other program open, so nothing is locked.";
constexpr const char* kNoSessionText = "Bumblepad found no desktop session to lock, so nothing is locked.";
constexpr const char* kNoLockMethodText =
    "This Wayland desktop offers programs no way to lock the keyboard (no session lock, no input inhibitor, no "
    "shortcuts inhibition), so nothing is locked.";
constexpr const char* kFullscreenNotGrantedText =
    "The desktop did not let Bumblepad take the keyboard within 2 seconds: its full-screen lock did not get the "
    "keyboard focus, or the desktop (or the person asked) did not hand it the desktop's shortcuts. Nothing is "
    "locked.";
constexpr const char* kNotGrantedText =
    "The desktop did not grant Bumblepad's lock within 2 seconds, so nothing is locked.";
constexpr const char* kLockRefusedByDesktopText =
    "The desktop refused Bumblepad's lock (another program may be locking the screen), so nothing is locked.";
constexpr const char* kAwaitingPermissionText =
    "GNOME asks whether Bumblepad may take the desktop's shortcuts (\"Allow inhibiting shortcuts\"). Answer "
    "\"Allow\" there, then lock again; GNOME remembers the answer. Until then nothing is locked.";
constexpr const char* kNoAnswerText = "The desktop did not answer Bumblepad in time, so nothing is locked.";
constexpr const char* kKeyboardOnlyRefusedText =
    "On a Wayland desktop no program can take the keyboard while the screen stays visible and the mouse free, so "
    "\"Lock Keyboard\" is not available here. \"Lock Keyboard/Mouse\" locks this desktop.";
constexpr const char* kIdleUnknownText =
    "This desktop tells programs no idle time (no idle protocol, no idle service on the session bus), so the "
    "automatic lock cannot work here.";

constexpr const char* kGnomeKeptKeysText =
    "On this desktop (GNOME) Bumblepad's lock cannot take every key. The desktop keeps for itself: Super+Escape (it "
    "gives the desktop its shortcuts back), Ctrl+Alt+Delete and the power key (log-out and power dialogs), "
    "Ctrl+Alt+F1 to F12 (switching to another console) and its own lock screen. If another window takes the "
    "keyboard during a lock, the lock ends and you are told. The first time, GNOME asks whether Bumblepad may take "
    "the desktop's shortcuts: answer \"Allow\".";
constexpr const char* kKdeKeptKeysText =
    "On this desktop (KDE Plasma) Bumblepad's lock cannot take every key. The desktop keeps for itself: "
    "Ctrl+Alt+Delete and the power key (log-out and power dialogs), Ctrl+Alt+F1 to F12 (switching to another "
    "console) and its own screen locker when that comes by itself (after the desktop's idle time, or at resume). If "
    "another window takes the keyboard during a lock, the lock ends and you are told.";
constexpr const char* kOtherKeptKeysText =
    "On this desktop Bumblepad's lock cannot take every key: the desktop keeps the keys it never gives to programs "
    "(switching to another console with Ctrl+Alt+F1 to F12, its power and log-out keys, its own screen locker).";

// A session lock left on by a controller that stopped.
constexpr const char* kLeftOverEndedText =
    "Bumblepad had stopped while this desktop was locked; the lock it left on has been ended.";
constexpr const char* kLeftOverStuckText =
    "Bumblepad stopped while this desktop was locked, and the desktop keeps the session locked without letting "
    "Bumblepad end that lock. To end it: switch to a text console (Ctrl+Alt+F3), log in, and either start this "
    "desktop's own screen locker there for the session (for sway: WAYLAND_DISPLAY=%s swaylock) and unlock it with "
    "your password, or end the desktop session (loginctl terminate-session).";
