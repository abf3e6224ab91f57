#include "session_linux.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdio>
#include <cstdlib>

#include "controller.h"
#include "watchdog_linux.h"

static int signalPipe[2] = {-1, -1};

static void OnSignal(int) {
    char byte = 1;
    ssize_t ignored = write(signalPipe[1], &byte, 1);  // async-signal-safe hand-over to the loop
    (void)ignored;
}

void WatchSessionEnd(QObject* parent) {
    if (signalPipe[0] >= 0 || pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, parent, [] {
        char bytes[16];
        while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        MainWindowProc(mainWindow, WM_QUERYENDSESSION, 0, 0);
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

static bool loopRunning = false, displayGone = false;

void SetMessageLoopRunning(bool running) { loopRunning = running; }
bool DisplayGone() { return displayGone; }

static void CloseOnForcedExit() {
    if (!loopRunning || !mainWindow) return;
    loopRunning = false;
    displayGone = true;
    CloseAtSessionEnd();
    WatchdogOrderlyEnd();
    std::fflush(nullptr);
    _exit(0);
}

void WatchForForcedExit() {
    static bool registered = false;
    if (!registered) registered = std::atexit(CloseOnForcedExit) == 0;
}
