// The idle time on a Wayland desktop: ext-idle-notify-v1 where the compositor
// offers it, else KDE's org_kde_kwin_idle (sway 1.7, KWin); the protocols say
// when the seat went idle (after a second of quiet). Without either, the
// desktop's own services on the session bus: GNOME's idle monitor, else the
// freedesktop screen saver (KDE answers it).
#pragma once
#include <cstdint>

#include "wayland_connection.h"

class IdleWatch {
public:
    // Asks the compositor to tell idleness (once there is a seat).
    void Start(WaylandConnection& wl);
    void Forget() { notification_ = nullptr, kdeTimeout_ = nullptr, idle_ = false; }
    bool Known() const { return notification_ || kdeTimeout_; }
    // The tick count of the last input the compositor saw, given
    // the last input to our own surfaces (the compositor's idle timer sees it
    // too) and whether a lock is on (our surfaces then get all input).
    uint32_t LastInput(uint32_t ownInput, bool locked) const;

    void Idled();
    void Resumed() { idle_ = false; }

private:
    ext_idle_notification_v1* notification_ = nullptr;
    org_kde_kwin_idle_timeout* kdeTimeout_ = nullptr;
    bool idle_ = false;
    uint32_t idleSince_ = 0;
};

// The idle time from the session bus services; false when none answers.
bool BusIdleTime(uint32_t& idleMs);
