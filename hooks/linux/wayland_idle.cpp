#include "wayland_idle.h"

#include <systemd/sd-bus.h>

#include <mutex>

#include "wayland_input.h"

namespace {

// The notification fires after this much quiet; the last input is then taken
// to be this long ago.
constexpr uint32_t kIdleStepMs = 1000;

void OnIdled(void* data, ext_idle_notification_v1*) { static_cast<IdleWatch*>(data)->Idled(); }
void OnResumed(void* data, ext_idle_notification_v1*) { static_cast<IdleWatch*>(data)->Resumed(); }
const ext_idle_notification_v1_listener kIdle = {OnIdled, OnResumed};
void OnKdeIdle(void* data, org_kde_kwin_idle_timeout*) { static_cast<IdleWatch*>(data)->Idled(); }
void OnKdeResumed(void* data, org_kde_kwin_idle_timeout*) { static_cast<IdleWatch*>(data)->Resumed(); }
const org_kde_kwin_idle_timeout_listener kKdeIdle = {OnKdeIdle, OnKdeResumed};

}  // namespace

void IdleWatch::Start(WaylandConnection& wl) {
    if (!wl.seat || Known()) return;
    if (wl.idleNotifier) {
        notification_ = ext_idle_notifier_v1_get_idle_notification(wl.idleNotifier, kIdleStepMs, wl.seat);
        ext_idle_notification_v1_add_listener(notification_, &kIdle, this);
    } else if (wl.kdeIdle) {
        kdeTimeout_ = org_kde_kwin_idle_get_idle_timeout(wl.kdeIdle, wl.seat, kIdleStepMs);
        org_kde_kwin_idle_timeout_add_listener(kdeTimeout_, &kKdeIdle, this);
    }
}

void IdleWatch::Idled() {
    idleSince_ = HookTickCount() - kIdleStepMs;
    idle_ = true;
}

uint32_t IdleWatch::LastInput(uint32_t ownInput, bool locked) const {
    const uint32_t now = HookTickCount();
    uint32_t last = idle_ ? idleSince_ : now;
    if (locked && now - ownInput < now - last) last = ownInput;
    return last;
}

bool BusIdleTime(uint32_t& idleMs) {
    static std::mutex busMutex;
    static sd_bus* bus = nullptr;
    static bool opened = false;
    std::lock_guard<std::mutex> g(busMutex);
    if (!opened) {
        opened = true;
        if (sd_bus_open_user(&bus) < 0)
            bus = nullptr;
        else
            sd_bus_set_method_call_timeout(bus, 1000000);  // microseconds: the caller is the controller's thread
    }
    if (!bus) return false;
    sd_bus_message* reply = nullptr;
    bool ok = false;
    if (sd_bus_call_method(bus, "org.gnome.Mutter.IdleMonitor", "/org/gnome/Mutter/IdleMonitor/Core",
                           "org.gnome.Mutter.IdleMonitor", "GetIdletime", nullptr, &reply, "") >= 0) {
        uint64_t ms = 0;
        ok = sd_bus_message_read(reply, "t", &ms) >= 0;
        idleMs = static_cast<uint32_t>(ms);
    } else if (sd_bus_call_method(bus, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                  "org.freedesktop.ScreenSaver", "GetSessionIdleTime", nullptr, &reply, "") >= 0) {
        uint32_t seconds = 0;
        ok = sd_bus_message_read(reply, "u", &seconds) >= 0;
        idleMs = seconds * 1000u;
    }
    sd_bus_message_unref(reply);
    return ok;
}
