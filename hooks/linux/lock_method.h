// The ways a lock can hold on a Wayland compositor, one type each behind one
// interface (wayland_lock.cpp chooses the strongest the compositor offers):
//
// * SessionLockMethod, ext-session-lock-v1: the compositor covers every
//   output with our lock surfaces and sends them every key and click;
// * LayerShellMethod, wlr-layer-shell overlay surfaces on every output plus
//   wlr-input-inhibitor (wlroots compositors of Debian 12, sway 1.7): every
//   key and pointer event goes to this client, compositor shortcuts too;
// * FullscreenMethod, a full-screen window on every output that asks for
//   keyboard-shortcuts inhibition and, in the blocking mode, confines the
//   pointer (GNOME's mutter, KDE's KWin): the desktop keeps the keys it never
//   gives away, and another window may take the keyboard.
//
// A method says how its hold stands from what the compositor told it
// (State), takes back what the protocol lets it take back (Retake), and gives
// every output that appears during the lock a surface of its own; a surface
// closed because its output went away is no loss.
#pragma once
#include <cstdint>
#include <list>
#include <memory>

#include "lock_session.h"
#include "lock_surface.h"
#include "wayland_connection.h"

enum class Hold {
    Asking,  // the compositor has not granted it yet
    Holds,   // every key of the seat comes to the lock
    Shaken,  // it held, and something took part of it: to be taken back in a moment, or lost
    Gone,    // the compositor refused it or ended it; nothing can take it back
};

class LockMethod {
public:
    explicit LockMethod(WaylandConnection& wl) : wl_(wl) {}
    virtual ~LockMethod() = default;
    LockMethod(const LockMethod&) = delete;
    LockMethod& operator=(const LockMethod&) = delete;

    virtual const char* Name() const = 0;
    // Asks for the lock and makes a surface for every output there now.
    virtual void Begin(int32_t areaX, int32_t areaY);
    // A surface for an output (also one that appears during the lock).
    void AddOutput(Output& output);
    // The output went away: its surface goes, the others keep the lock.
    virtual void RemoveOutput(Output& output);
    virtual Hold State() = 0;
    // Takes back what the protocol allows (full screen, the keyboard).
    virtual void Retake() {}
    // The mouse is blocked (pictures off) or free.
    virtual void SetBlocking(bool) {}
    virtual void PointerChanged() {}
    // The pointer came onto one of the lock's surfaces (or another's).
    virtual void PointerEntered(wl_surface*) {}
    // The desktop has neither granted nor refused part of the lock yet (GNOME
    // asks the person the first time whether a program may take its
    // shortcuts).
    virtual bool AwaitingPermission() const { return false; }
    // Ends the lock (the compositor is told, the surfaces go).
    virtual void End();

    // Keyboard focus and the serial of the last input event, which the
    // compositor asks for before it hands the focus back.
    void KeyboardEnter(wl_surface* surface, uint32_t serial);
    void KeyboardLeave(wl_surface* surface);
    void InputSerial(uint32_t serial) { serial_ = serial; }
    LockSurface* Find(wl_surface* surface);
    size_t SurfaceCount() const { return surfaces_.size(); }
    void DrawDirty();
    // Keeps only the surface that has the keyboard, shown opaque: the
    // desktop's question about the lock belongs to it.
    bool KeepFocusedSurfaceOnly();

protected:
    virtual std::unique_ptr<LockSurface> MakeSurface(Output& output, int32_t x, int32_t y) = 0;
    bool AllConfigured() const;
    WaylandConnection& wl_;
    std::list<std::unique_ptr<LockSurface>> surfaces_;
    LockSurface* keyboardFocus_ = nullptr;
    uint32_t serial_ = 0;
    uint32_t focusSerial_ = 0;  // of the keyboard's arrival on keyboardFocus_
    int32_t areaX_ = 0, areaY_ = 0;
    bool began_ = false;
};

// The method for kWaylandLockSessionLock, ...LayerShell or ...Fullscreen.
std::unique_ptr<LockMethod> MakeLockMethod(int method, WaylandConnection& wl);
