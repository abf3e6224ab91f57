#include "wayland_connection.h"

#include <poll.h>
#include <time.h>

#include <cstring>
#include <string>

#include "hook_system_port.h"

namespace {

#define SELF static_cast<WaylandConnection*>(data)

void OnGlobal(void* data, wl_registry*, uint32_t name, const char* interface, uint32_t version) {
    SELF->AddGlobal(name, interface, version);
}
void OnGlobalRemove(void* data, wl_registry*, uint32_t name) { SELF->RemoveGlobal(name); }
const wl_registry_listener kRegistry = {OnGlobal, OnGlobalRemove};

void OnPing(void*, xdg_wm_base* base, uint32_t serial) { xdg_wm_base_pong(base, serial); }
const xdg_wm_base_listener kWmBase = {OnPing};

void OnCapabilities(void* data, wl_seat*, uint32_t caps) { SELF->SeatCapabilities(caps); }
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeat = {OnCapabilities, OnSeatName};

void OnOutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*,
                      const char*, int32_t) {
    Output* o = static_cast<Output*>(data);
    if (!o->logical) o->x = x, o->y = y;
}
void OnOutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    Output* o = static_cast<Output*>(data);
    if (flags & WL_OUTPUT_MODE_CURRENT) o->modeWidth = width, o->modeHeight = height;
}
WaylandConnection* outputsOwner = nullptr;  // the one connection (the library has one Wayland thread)
void OnOutputDone(void* data, wl_output*) {
    Output* o = static_cast<Output*>(data);
    if (!o->logical && o->scale > 0) o->width = o->modeWidth / o->scale, o->height = o->modeHeight / o->scale;
    if (outputsOwner) outputsOwner->OutputDone(*o);
}
void OnOutputScale(void* data, wl_output*, int32_t factor) { static_cast<Output*>(data)->scale = factor; }
const wl_output_listener kOutput = {OnOutputGeometry, OnOutputMode, OnOutputDone, OnOutputScale, nullptr, nullptr};

void OnLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    Output* o = static_cast<Output*>(data);
    o->logical = true, o->x = x, o->y = y;
}
void OnLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    Output* o = static_cast<Output*>(data);
    o->logical = true, o->width = width, o->height = height;
}
void OnXdgOutputDone(void*, zxdg_output_v1*) {}
void OnXdgOutputName(void*, zxdg_output_v1*, const char*) {}
void OnXdgOutputDescription(void*, zxdg_output_v1*, const char*) {}
const zxdg_output_v1_listener kXdgOutput = {OnLogicalPosition, OnLogicalSize, OnXdgOutputDone, OnXdgOutputName,
                                            OnXdgOutputDescription};

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t have, uint32_t want) {
    return static_cast<T*>(wl_registry_bind(registry, name, interface, have < want ? have : want));
}

void OnSyncDone(void* data, wl_callback* callback, uint32_t) {
    *static_cast<bool*>(data) = true;
    wl_callback_destroy(callback);
}
const wl_callback_listener kSync = {OnSyncDone};

}  // namespace

bool WaylandConnection::Connect(ConnectionEvents* events, int limitMs) {
    if (Live()) return true;
    if (display) Disconnect();
    events_ = events;
    outputsOwner = this;
    display = wl_display_connect(nullptr);
    if (!display) return false;
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, this);
    // The globals, then the outputs' and the seat's first events. A
    // compositor that has not answered in time is left: a half-made
    // connection would pass for a ready one at the next attempt, which
    // starts afresh instead.
    const uint32_t start = HookTickCount();
    if (Sync(limitMs) && Sync(limitMs - static_cast<int>(HookTickCount() - start))) return true;
    Disconnect();
    return false;
}

void WaylandConnection::Disconnect() {
    if (!display) return;
    if (keyboard) {
        keyboard = nullptr;
        if (events_) events_->KeyboardGone();
    }
    if (pointer) {
        pointer = nullptr;
        if (events_) events_->PointerGone();
    }
    for (Output& o : outputs)
        if (events_) events_->OutputGone(o);
    outputs.clear();
    wl_display_disconnect(display);
    display = nullptr;
    registry = nullptr, compositor = nullptr, shm = nullptr, seat = nullptr, wmBase = nullptr,
    outputManager = nullptr, sessionLockManager = nullptr, layerShell = nullptr, inhibitManager = nullptr,
    shortcutsManager = nullptr, constraints = nullptr, activation = nullptr, idleNotifier = nullptr,
    kdeIdle = nullptr;
}

bool WaylandConnection::WaitFor(const std::function<bool()>& done, int limitMs) {
    const uint32_t start = HookTickCount();
    for (;;) {
        if (!Live()) return false;
        if (done()) return true;
        const int left = limitMs - static_cast<int>(HookTickCount() - start);
        if (left <= 0) return false;
        while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
        wl_display_flush(display);
        pollfd fd{wl_display_get_fd(display), POLLIN, 0};
        if (poll(&fd, 1, left) > 0)
            wl_display_read_events(display);
        else
            wl_display_cancel_read(display);
        wl_display_dispatch_pending(display);
    }
}

bool WaylandConnection::Sync(int limitMs) {
    if (!Live() || limitMs <= 0) return false;
    // The flag outlives an unanswered request: the callback may still come.
    bool* done = new bool(false);
    wl_callback* callback = wl_display_sync(display);
    wl_callback_add_listener(callback, &kSync, done);
    if (WaitFor([done] { return *done; }, limitMs)) {
        delete done;
        return true;
    }
    return false;  // the flag is left to the callback (a few bytes, once per unanswered wait)
}

void WaylandConnection::DispatchPending() {
    if (!Live()) return;
    while (wl_display_prepare_read(display) != 0) wl_display_dispatch_pending(display);
    wl_display_flush(display);
    pollfd fd{wl_display_get_fd(display), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0)
        wl_display_read_events(display);
    else
        wl_display_cancel_read(display);
    wl_display_dispatch_pending(display);
}

void WaylandConnection::WatchOutput(Output& o) {
    if (o.xdgOutput || !outputManager) return;
    o.xdgOutput = zxdg_output_manager_v1_get_xdg_output(outputManager, o.output);
    zxdg_output_v1_add_listener(o.xdgOutput, &kXdgOutput, &o);
}

void WaylandConnection::AddGlobal(uint32_t name, const char* interface, uint32_t version) {
    const std::string i = interface;
    if (i == wl_compositor_interface.name) {
        compositor = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    } else if (i == wl_shm_interface.name) {
        shm = Bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
    } else if (i == wl_seat_interface.name && !seat) {
        seatVersion = version < 5 ? version : 5;
        seat = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
        wl_seat_add_listener(seat, &kSeat, this);
    } else if (i == wl_output_interface.name) {
        outputs.emplace_back();
        Output& o = outputs.back();
        o.name = name;
        o.output = Bind<wl_output>(registry, name, &wl_output_interface, version, 2);
        wl_output_add_listener(o.output, &kOutput, &o);
        WatchOutput(o);
    } else if (i == zxdg_output_manager_v1_interface.name) {
        outputManager = Bind<zxdg_output_manager_v1>(registry, name, &zxdg_output_manager_v1_interface, version, 2);
        for (Output& o : outputs) WatchOutput(o);
    } else if (i == xdg_wm_base_interface.name) {
        wmBase = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 1);
        xdg_wm_base_add_listener(wmBase, &kWmBase, this);
    } else if (i == ext_session_lock_manager_v1_interface.name) {
        sessionLockManager =
            Bind<ext_session_lock_manager_v1>(registry, name, &ext_session_lock_manager_v1_interface, version, 1);
    } else if (i == zwlr_layer_shell_v1_interface.name) {
        layerShell = Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 1);
    } else if (i == zwlr_input_inhibit_manager_v1_interface.name) {
        inhibitManager =
            Bind<zwlr_input_inhibit_manager_v1>(registry, name, &zwlr_input_inhibit_manager_v1_interface, version, 1);
    } else if (i == zwp_keyboard_shortcuts_inhibit_manager_v1_interface.name) {
        shortcutsManager = Bind<zwp_keyboard_shortcuts_inhibit_manager_v1>(
            registry, name, &zwp_keyboard_shortcuts_inhibit_manager_v1_interface, version, 1);
    } else if (i == zwp_pointer_constraints_v1_interface.name) {
        constraints =
            Bind<zwp_pointer_constraints_v1>(registry, name, &zwp_pointer_constraints_v1_interface, version, 1);
    } else if (i == xdg_activation_v1_interface.name) {
        activation = Bind<xdg_activation_v1>(registry, name, &xdg_activation_v1_interface, version, 1);
    } else if (i == ext_idle_notifier_v1_interface.name) {
        idleNotifier = Bind<ext_idle_notifier_v1>(registry, name, &ext_idle_notifier_v1_interface, version, 1);
    } else if (i == org_kde_kwin_idle_interface.name) {
        kdeIdle = Bind<org_kde_kwin_idle>(registry, name, &org_kde_kwin_idle_interface, version, 1);
    }
}

void WaylandConnection::OutputDone(Output& o) {
    const bool first = !o.done;
    o.done = true;
    if (first && events_ && o.width > 0 && o.height > 0) events_->OutputReady(o);
}

void WaylandConnection::RemoveGlobal(uint32_t name) {
    for (auto it = outputs.begin(); it != outputs.end(); ++it) {
        if (it->name != name) continue;
        if (events_) events_->OutputGone(*it);
        if (it->xdgOutput) zxdg_output_v1_destroy(it->xdgOutput);
        if (wl_output_get_version(it->output) >= 3)
            wl_output_release(it->output);
        else
            wl_output_destroy(it->output);
        outputs.erase(it);
        return;
    }
}

void WaylandConnection::SeatCapabilities(uint32_t caps) {
    // A keyboard or pointer object whose last device went away is dead; the
    // next device brings a new one (keyboards are plugged in and out).
    if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard) {
        wl_keyboard* gone = keyboard;
        keyboard = nullptr;
        if (events_) events_->KeyboardGone();
        if (seatVersion >= 3)
            wl_keyboard_release(gone);
        else
            wl_keyboard_destroy(gone);
    }
    if (!(caps & WL_SEAT_CAPABILITY_POINTER) && pointer) {
        wl_pointer* gone = pointer;
        pointer = nullptr;
        if (events_) events_->PointerGone();  // what belongs to the pointer goes first
        if (seatVersion >= 3)
            wl_pointer_release(gone);
        else
            wl_pointer_destroy(gone);
    }
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard) {
        keyboard = wl_seat_get_keyboard(seat);
        if (events_) events_->KeyboardAppeared(keyboard);
    }
    if ((caps & WL_SEAT_CAPABILITY_POINTER) && !pointer) {
        pointer = wl_seat_get_pointer(seat);
        if (events_) events_->PointerAppeared(pointer);
    }
}

void WaylandConnection::Area(int32_t& x, int32_t& y, int32_t& w, int32_t& h) const {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool first = true;
    for (const Output& o : outputs) {
        if (o.width <= 0 || o.height <= 0) continue;
        if (first || o.x < left) left = o.x;
        if (first || o.y < top) top = o.y;
        if (first || o.x + o.width > right) right = o.x + o.width;
        if (first || o.y + o.height > bottom) bottom = o.y + o.height;
        first = false;
    }
    x = left, y = top, w = right - left, h = bottom - top;
}
