#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands_linux.h"
#include "controller.h"
#include "lock_state.h"
#include "resource_ids.h"
#include "session_linux.h"
#include "watchdog_linux.h"

static const char kRestartedText[] =
    "Bumblepad stopped answering during a lock, so the lock was ended and Bumblepad was started again.";

// "Bumblepad --lock" and the like (Linux only): handed to the running
// controller, or, when none runs, carried out by this process once it has
// become the controller. These are read before the Windows rule for the
// command line (a text longer than 8 characters ends the program), which
// every other command line still follows.
static uint32_t startCommand = 0;

static int HandOutsideCommand(uint32_t command) {
    std::string answer;
    switch (HandCommandToController(command, answer)) {
        case CommandHandOff::Carried:
            return 0;
        case CommandHandOff::Refused:
            std::fprintf(stderr, "Bumblepad: %s\n", answer.c_str());
            return 1;
        case CommandHandOff::Failed:
            std::fprintf(stderr, "Bumblepad: %s\n", answer.c_str());
            return 2;
        case CommandHandOff::NoController:
            break;
    }
    if (command == kCmdExit) {
        std::fprintf(stderr, "Bumblepad: Bumblepad is not running.\n");
        return 0;
    }
    startCommand = command;  // start, then carry it out
    return -1;
}

int main(int argc, char** argv) {
    if (argc == 2 && OutsideCommandFor(argv[1]) != 0) {
        int code = HandOutsideCommand(OutsideCommandFor(argv[1]));
        if (code >= 0) return code;
        argc = 1;  // this process becomes the controller: a plain start
    }
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
    if (startCommand) QTimer::singleShot(0, [] { RunStartCommand(startCommand); });
    int code = RunController(nullptr, commandLine.c_str());
    WatchdogOrderlyEnd();
    return code;
}
