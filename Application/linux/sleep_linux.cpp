#include "sleep_linux.h"

#include <systemd/sd-bus.h>
#include <systemd/sd-login.h>

#include <cstdlib>
#include <cstring>
#include <string>

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

// The session ends (log-out: logind removes it; shut-down): the orderly
// close, as Windows sends WM_QUERYENDSESSION. Debian signals nothing to a
// session's programs at log-out, so this is how the close path gets to run.
static std::string ownSession;

static int OnSessionRemoved(sd_bus_message* message, void*, sd_bus_error*) {
    const char* id = nullptr;
    if (sd_bus_message_read(message, "s", &id) >= 0 && id && !ownSession.empty() && ownSession == id)
        PostWindowMessage(mainWindow, WM_QUERYENDSESSION, 0, 0);
    return 0;
}

static int OnPrepareForShutdown(sd_bus_message* message, void*, sd_bus_error*) {
    int start = 0;
    if (sd_bus_message_read(message, "b", &start) >= 0 && start)
        PostWindowMessage(mainWindow, WM_QUERYENDSESSION, 0, 0);
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
    const char* session = std::getenv("XDG_SESSION_ID");
    char* found = nullptr;
    if (session && *session) ownSession = session;
    else if (sd_pid_get_session(0, &found) >= 0 && found) ownSession = found;
    free(found);
    sd_bus_match_signal(systemBus, nullptr, "org.freedesktop.login1", "/org/freedesktop/login1",
                        "org.freedesktop.login1.Manager", "SessionRemoved", OnSessionRemoved, nullptr);
    sd_bus_match_signal(systemBus, nullptr, "org.freedesktop.login1", "/org/freedesktop/login1",
                        "org.freedesktop.login1.Manager", "PrepareForShutdown", OnPrepareForShutdown, nullptr);
    auto* notifier = new QSocketNotifier(sd_bus_get_fd(systemBus), QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [] { Pump(); });
    Pump();
}
