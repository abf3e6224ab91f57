#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "controller.h"
#include "lock_state.h"
#include "session_linux.h"
#include "watchdog_linux.h"

static const char kRestartedText[] =
    "Bumblepad stopped answering during a lock, so the lock was ended and Bumblepad was started again.";

int main(int argc, char** argv) {
    // The command line as Windows hands it over: the text after the program
    // name, arguments joined by single blanks.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }
    // The hand-over and the silent refusal show nothing: they run before Qt,
    // so they work (and end with 0) without a display.
    if (ParseCommandLine(commandLine.c_str(), nullptr) != CommandLineAction::NormalStart)
        return RunController(nullptr, commandLine.c_str());
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if ((!platform || !*platform) && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "Bumblepad: no graphical desktop to run on (DISPLAY is not set).\n");
        return 0;
    }
    // One malloc arena for every thread. A lock's pictures are decoded on
    // threads of their own; an arena of another thread keeps the top of its
    // heap when the lock ends (malloc_trim gives back only the main arena's),
    // megabytes of pictures long gone. Allocation here is rare and large, so
    // threads waiting for each other's malloc costs nothing measurable.
    mallopt(M_ARENA_MAX, 1);
    bool restarted = TakeWatchdogRestart();
    StartWatchdog();

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    app.setApplicationName("Bumblepad");
    WatchForForcedExit();

    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [] { Heartbeat(locked); });
    heartbeat.start(kWatchdogHeartbeatMs);
    if (restarted) {
        QTimer::singleShot(0, [] {
            if (!mainWindow) return;  // a refused start has its own message
            auto* box = new QMessageBox(QMessageBox::Warning, "Error", kRestartedText, QMessageBox::Ok);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->setWindowFlag(Qt::WindowStaysOnTopHint);
            box->show();
        });
    }
    return RunController(nullptr, commandLine.c_str());
}
