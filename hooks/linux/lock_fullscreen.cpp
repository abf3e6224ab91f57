// A full-screen window on every output, each asking for the desktop's
// keyboard shortcuts and, in the blocking mode, confining the pointer
// (GNOME's mutter, KDE's KWin). Nothing keeps another window from taking the
// keyboard here (a window that opens by itself, Super+Escape then Alt+Tab on
// GNOME), so the hold is watched: the keyboard on one of our windows, its
// shortcuts granted, every window full screen and, once confined, the
// pointer. What is lost is asked back (full screen again, the focus through
// xdg-activation, the shortcuts again); the lock decides how long to wait.
#include <cstdio>
#include <cstring>

#include "lock_method.h"

namespace {

struct FullscreenSurface : LockSurface {
    using LockSurface::LockSurface;
    ~FullscreenSurface() override {
        if (confined) zwp_confined_pointer_v1_destroy(confined);
        if (inhibitor) zwp_keyboard_shortcuts_inhibitor_v1_destroy(inhibitor);
        if (toplevel) xdg_toplevel_destroy(toplevel);
        if (xdgSurface) xdg_surface_destroy(xdgSurface);
    }
    xdg_surface* xdgSurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    zwp_keyboard_shortcuts_inhibitor_v1* inhibitor = nullptr;
    zwp_confined_pointer_v1* confined = nullptr;
    bool inhibitActive = false, inhibitRefused = false;
    bool fullscreen = false, pendingFullscreen = false;
    bool confinedNow = false, confinedSeen = false;
    uint32_t pendingWidth = 0, pendingHeight = 0;
};

void OnToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array* states) {
    auto* s = static_cast<FullscreenSurface*>(data);
    if (width > 0 && height > 0) s->pendingWidth = width, s->pendingHeight = height;
    s->pendingFullscreen = false;
    const auto* state = static_cast<const uint32_t*>(states->data);
    for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
        if (state[i] == XDG_TOPLEVEL_STATE_FULLSCREEN) s->pendingFullscreen = true;
}
void OnToplevelClose(void*, xdg_toplevel*) {}  // the lock window is not closed on request
const xdg_toplevel_listener kToplevel = {OnToplevelConfigure, OnToplevelClose, nullptr, nullptr};

void OnXdgSurfaceConfigure(void* data, xdg_surface* xdgSurface, uint32_t serial) {
    auto* s = static_cast<FullscreenSurface*>(data);
    xdg_surface_ack_configure(xdgSurface, serial);
    s->fullscreen = s->pendingFullscreen;
    s->Configured(s->pendingWidth, s->pendingHeight);
}
const xdg_surface_listener kXdgSurface = {OnXdgSurfaceConfigure};

void OnInhibitActive(void* data, zwp_keyboard_shortcuts_inhibitor_v1*) {
    static_cast<FullscreenSurface*>(data)->inhibitActive = true;
}
void OnInhibitInactive(void* data, zwp_keyboard_shortcuts_inhibitor_v1*) {
    auto* s = static_cast<FullscreenSurface*>(data);
    s->inhibitActive = false;
    s->inhibitRefused = true;
}
const zwp_keyboard_shortcuts_inhibitor_v1_listener kInhibitor = {OnInhibitActive, OnInhibitInactive};

// The compositor says when the confinement takes effect (the pointer is on
// the surface) and when it is lifted; the log tells it.
void OnConfined(void* data, zwp_confined_pointer_v1*) {
    auto* s = static_cast<FullscreenSurface*>(data);
    s->confinedNow = s->confinedSeen = true;
    std::fprintf(stderr, "Bumblepad: pointer confined to the lock\n");
}
void OnUnconfined(void* data, zwp_confined_pointer_v1*) {
    static_cast<FullscreenSurface*>(data)->confinedNow = false;
    std::fprintf(stderr, "Bumblepad: pointer no longer confined\n");
}
const zwp_confined_pointer_v1_listener kConfined = {OnConfined, OnUnconfined};

class FullscreenMethod : public LockMethod {
public:
    using LockMethod::LockMethod;
    ~FullscreenMethod() override { FullscreenMethod::End(); }
    const char* Name() const override { return "full-screen + shortcuts inhibit"; }

    Hold State() override {
        const Hold notNow = held_ ? Hold::Shaken : Hold::Asking;
        // A window still coming (on an output that appeared) takes nothing
        // away from a lock that holds.
        if (!held_ && !AllConfigured()) return Hold::Asking;
        for (const auto& s : surfaces_)
            if (s->configured && !Of(s)->fullscreen) return notNow;
        if (!keyboardFocus_ || !Of(keyboardFocus_)->inhibitActive) return notNow;
        if (blocking_)
            for (const auto& s : surfaces_)
                if (Of(s)->confinedSeen && !Of(s)->confinedNow) return notNow;
        held_ = true;
        return Hold::Holds;
    }

    // True while the desktop has neither granted nor refused the shortcuts of
    // the window that has the keyboard (GNOME asks the person the first time).
    bool AwaitingPermission() const override {
        return keyboardFocus_ && !Of(keyboardFocus_)->inhibitActive && !Of(keyboardFocus_)->inhibitRefused;
    }

    void Retake() override {
        for (auto& s : surfaces_) {
            FullscreenSurface* f = Of(s);
            if (f->configured && !f->fullscreen && f->output) {
                xdg_toplevel_set_fullscreen(f->toplevel, f->output->output);
                wl_surface_commit(f->surface);
            }
        }
        if (keyboardFocus_ && Of(keyboardFocus_)->inhibitRefused) {
            // The person gave the desktop its shortcuts back (Super+Escape on
            // GNOME): ask again.
            FullscreenSurface* f = Of(keyboardFocus_);
            zwp_keyboard_shortcuts_inhibitor_v1_destroy(f->inhibitor);
            f->inhibitRefused = false;
            Inhibit(*f);
        }
        // The focus back through xdg-activation, vouched for by the last
        // input this client received.
        if (!keyboardFocus_ && !surfaces_.empty()) Activate(*surfaces_.front(), *surfaces_.front(), serial_);
    }

    void SetBlocking(bool blocking) override {
        blocking_ = blocking;
        if (!blocking) {
            for (auto& s : surfaces_) Release(*Of(s));
            return;
        }
        PointerChanged();
    }

    // In the blocking mode the pointer stays on the lock window it is on,
    // where the compositor allows it. The desktop applies a confinement only
    // to the window that has the keyboard (GNOME), so with several monitors
    // the window under the pointer takes the keyboard from the lock window
    // that has it. A seat without a pointer yet gets the confinement when its
    // pointer appears.
    void PointerChanged() override {
        if (!wl_.pointer)
            for (auto& s : surfaces_) Release(*Of(s));
        if (!blocking_ || !wl_.constraints || !wl_.pointer || surfaces_.empty()) return;
        for (const auto& s : surfaces_)
            if (Of(s)->confinedNow) return;  // held already
        FullscreenSurface* target = pointerOn_       ? pointerOn_
                                    : keyboardFocus_ ? Of(keyboardFocus_)
                                                     : Of(surfaces_.front());
        if (!target->confined) {
            for (auto& s : surfaces_) Release(*Of(s));
            target->confined =
                zwp_pointer_constraints_v1_confine_pointer(wl_.constraints, target->surface, wl_.pointer, nullptr,
                                                           ZWP_POINTER_CONSTRAINTS_V1_LIFETIME_PERSISTENT);
            zwp_confined_pointer_v1_add_listener(target->confined, &kConfined, target);
        }
        if (keyboardFocus_ && keyboardFocus_ != target) Activate(*target, *keyboardFocus_, focusSerial_);
    }

    void PointerEntered(wl_surface* surface) override {
        pointerOn_ = Of(Find(surface));
        PointerChanged();
    }

    void RemoveOutput(Output& output) override {
        if (pointerOn_ && pointerOn_->output == &output) pointerOn_ = nullptr;
        LockMethod::RemoveOutput(output);
        PointerChanged();  // the confinement may have gone with the surface
    }

    void End() override {
        if (token_) xdg_activation_token_v1_destroy(token_);
        token_ = nullptr;
        pointerOn_ = nullptr;
        blocking_ = held_ = false;
        LockMethod::End();
        if (wl_.display) wl_display_flush(wl_.display);
    }

private:
    static FullscreenSurface* Of(const std::unique_ptr<LockSurface>& s) {
        return static_cast<FullscreenSurface*>(s.get());
    }
    static FullscreenSurface* Of(LockSurface* s) { return static_cast<FullscreenSurface*>(s); }

    void Release(FullscreenSurface& f) {
        if (f.confined) zwp_confined_pointer_v1_destroy(f.confined);
        f.confined = nullptr;
        f.confinedNow = f.confinedSeen = false;
    }

    void Inhibit(FullscreenSurface& f) {
        f.inhibitor =
            zwp_keyboard_shortcuts_inhibit_manager_v1_inhibit_shortcuts(wl_.shortcutsManager, f.surface, wl_.seat);
        zwp_keyboard_shortcuts_inhibitor_v1_add_listener(f.inhibitor, &kInhibitor, &f);
    }

    std::unique_ptr<LockSurface> MakeSurface(Output& output, int32_t x, int32_t y) override {
        auto s = std::make_unique<FullscreenSurface>(wl_.compositor, wl_.shm, &output, x, y);
        s->xdgSurface = xdg_wm_base_get_xdg_surface(wl_.wmBase, s->surface);
        xdg_surface_add_listener(s->xdgSurface, &kXdgSurface, s.get());
        s->toplevel = xdg_surface_get_toplevel(s->xdgSurface);
        xdg_toplevel_add_listener(s->toplevel, &kToplevel, s.get());
        xdg_toplevel_set_title(s->toplevel, "Bumblepad");
        xdg_toplevel_set_app_id(s->toplevel, "bumblepad");
        xdg_toplevel_set_fullscreen(s->toplevel, output.output);
        wl_surface_commit(s->surface);
        Inhibit(*s);
        return s;
    }

    // Asks the desktop to give `target` the keyboard, vouched for by
    // `from` (the window that has it, or had it) and the serial of an input
    // event it received. One request at a time.
    void Activate(LockSurface& target, LockSurface& from, uint32_t serial) {
        if (!wl_.activation || token_) return;
        activateTarget_ = target.surface;
        token_ = xdg_activation_v1_get_activation_token(wl_.activation);
        xdg_activation_token_v1_add_listener(token_, &kToken, this);
        if (serial) xdg_activation_token_v1_set_serial(token_, serial, wl_.seat);
        xdg_activation_token_v1_set_surface(token_, from.surface);
        xdg_activation_token_v1_commit(token_);
    }

    static void OnToken(void* data, xdg_activation_token_v1* token, const char* name) {
        auto* self = static_cast<FullscreenMethod*>(data);
        if (self->Find(self->activateTarget_))  // still there
            xdg_activation_v1_activate(self->wl_.activation, name, self->activateTarget_);
        xdg_activation_token_v1_destroy(token);
        self->token_ = nullptr;
    }
    static constexpr xdg_activation_token_v1_listener kToken = {OnToken};

    xdg_activation_token_v1* token_ = nullptr;
    wl_surface* activateTarget_ = nullptr;
    FullscreenSurface* pointerOn_ = nullptr;  // the lock window under the pointer
    bool blocking_ = false, held_ = false;
};

}  // namespace

std::unique_ptr<LockMethod> MakeFullscreenMethod(WaylandConnection& wl) {
    return std::make_unique<FullscreenMethod>(wl);
}
