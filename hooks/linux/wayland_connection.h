// The library's own connection to the Wayland compositor: the globals it
// binds, the outputs (which come and go) and the seat's keyboard and pointer.
// Used by the library's Wayland thread only. Every wait on the compositor is
// bounded: a compositor that does not answer in time makes the caller fail,
// never hang.
#pragma once
#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <list>

#include "ext-idle-notify-v1-client.h"
#include "ext-session-lock-v1-client.h"
#include "kde-idle-client.h"
#include "keyboard-shortcuts-inhibit-unstable-v1-client.h"
#include "pointer-constraints-unstable-v1-client.h"
#include "wlr-input-inhibitor-unstable-v1-client.h"
#include "wlr-layer-shell-unstable-v1-client.h"
#include "xdg-activation-v1-client.h"
#include "xdg-output-unstable-v1-client.h"
#include "xdg-shell-client.h"

struct Output {
    wl_output* output = nullptr;
    uint32_t name = 0;  // the global's name
    zxdg_output_v1* xdgOutput = nullptr;
    int32_t x = 0, y = 0, width = 0, height = 0;  // logical, in the compositor's layout
    int32_t modeWidth = 0, modeHeight = 0, scale = 1;
    bool logical = false, done = false;
};

// What the connection hears about, for whoever uses it (the lock, the input).
struct ConnectionEvents {
    virtual ~ConnectionEvents() = default;
    virtual void OutputReady(Output&) {}  // a new output has told its place and size
    virtual void OutputGone(Output&) {}   // called before the output is dropped
    virtual void KeyboardAppeared(wl_keyboard*) {}
    virtual void KeyboardGone() {}
    virtual void PointerAppeared(wl_pointer*) {}
    virtual void PointerGone() {}
};

class WaylandConnection {
public:
    // Connects and learns the globals, the outputs and the seat, waiting at
    // most limitMs; true when the connection is usable (else there is none).
    // Connected already: true at once.
    bool Connect(ConnectionEvents* events, int limitMs);
    bool Live() const { return display && wl_display_get_error(display) == 0; }
    // Everything on a connection the compositor ended is gone with it.
    void Disconnect();

    // Dispatches until done() or limitMs passed (or the connection died).
    bool WaitFor(const std::function<bool()>& done, int limitMs);
    // A round trip of at most limitMs.
    bool Sync(int limitMs);
    // Reads and dispatches what the compositor sent, without waiting.
    void DispatchPending();

    // The union of the outputs in the compositor's layout.
    void Area(int32_t& x, int32_t& y, int32_t& width, int32_t& height) const;

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    uint32_t seatVersion = 0;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    xdg_wm_base* wmBase = nullptr;
    zxdg_output_manager_v1* outputManager = nullptr;
    ext_session_lock_manager_v1* sessionLockManager = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    zwlr_input_inhibit_manager_v1* inhibitManager = nullptr;
    zwp_keyboard_shortcuts_inhibit_manager_v1* shortcutsManager = nullptr;
    zwp_pointer_constraints_v1* constraints = nullptr;
    xdg_activation_v1* activation = nullptr;
    ext_idle_notifier_v1* idleNotifier = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    std::list<Output> outputs;

    // Listeners' entries.
    void AddGlobal(uint32_t name, const char* interface, uint32_t version);
    void RemoveGlobal(uint32_t name);
    void SeatCapabilities(uint32_t caps);
    void OutputDone(Output& o);

private:
    void WatchOutput(Output& o);
    ConnectionEvents* events_ = nullptr;
};
