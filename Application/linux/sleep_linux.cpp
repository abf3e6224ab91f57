#include "sleep_linux.h"

#include <systemd/sd-bus.h>

#include <QSocketNotifier>

#include "controller.h"
#include "window_port.h"

static sd_bus* systemBus = nullptr;

static int OnPrepareForSleep(sd_bus_message* message, void*, sd_bus_error*) {
    int start = 0;
    if (sd_bus_message_read(message, "b", &start) < 0) return 0;
    PostWindowMessage(mainWindow, WM_POWERBROADCAST, start ? 4 : 7, 0);
    return 0;
}

static void Pump() {
    while (sd_bus_process(systemBus, nullptr) > 0) {
    }
}

void WatchSleepSignals(QObject* parent) {
    if (systemBus || sd_bus_open_system(&systemBus) < 0) return;
    if (sd_bus_match_signal(systemBus, nullptr, "org.freedesktop.login1", "/org/freedesktop/login1",
                            "org.freedesktop.login1.Manager", "PrepareForSleep", OnPrepareForSleep, nullptr) < 0) {
        systemBus = sd_bus_unref(systemBus);
        return;
    }
    auto* notifier = new QSocketNotifier(sd_bus_get_fd(systemBus), QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [] { Pump(); });
    Pump();
}
