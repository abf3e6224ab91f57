#include <cstring>
#include <string>

#include "Hookwell.h"
#include "clock_port.h"
#include "controller.h"
#include "drive_recovery_port.h"
#include "message_box_port.h"
#include "mutex_port.h"
#include "power_port.h"
#include "process_port.h"
#include "random.h"
#include "settings.h"
#include "switches.h"
#include "tray.h"
#include "version_port.h"
#include "window_port.h"

void* appInstance = nullptr;
OsVersionInfo osVersionInfo;
HWND mainWindow = nullptr;

CommandLineAction ParseCommandLine(const char* commandLine, const char** folder) {
    size_t length = std::strlen(commandLine);
    if (length <= 8) return CommandLineAction::NormalStart;
    // The eighth character is cut off, so "install" followed by any one
    // character matches.
    if (std::strncmp(commandLine, "install", 7) != 0) return CommandLineAction::Quit;
    if (folder) *folder = commandLine + 8;
    return CommandLineAction::HandOver;
}

int RunController(void* instance, const char* commandLine) {
    const char* folder = nullptr;
    switch (ParseCommandLine(commandLine, &folder)) {
    case CommandLineAction::HandOver:
        StartProgram("Bumblepad.exe", folder);
        return 0;
    case CommandLineAction::Quit:
        return 0;
    case CommandLineAction::NormalStart:
        break;
    }

    std::string problem;
    switch (CreateNamedMutex(kInstanceMutexName, &problem)) {
    case kMutexExists:
        ShowMessageBox("Bumblepad is already started", "Error", kMbIconWarning);
        return 0;
    case kMutexFailed: {
        // Without the guard a second controller could run beside this one:
        // refuse rather than guess.
        std::string text = "Bumblepad could not make sure that it runs only once (" + problem + "), so it does not start.";
        ShowMessageBox(text.c_str(), "Error", kMbIconWarning);
        return 0;
    }
    case kMutexCreated:
        break;
    }
    osVersionInfo.dwOSVersionInfoSize = 148;
    ReadOsVersion(osVersionInfo);
    if (!LoadOptions()) {
        ShowMessageBox("Registry error. Please reinstall Bumblepad.", "Error", kMbIconWarning);
        return 0;
    }
    appInstance = instance;
    SeedRandom(static_cast<uint32_t>(CalendarSeconds()));

    mainWindow = CreateMainWindow(appInstance);
    if (!mainWindow) {
        // Without a window nothing could ever reach the controller: say so
        // and end instead of running a loop for nobody.
        ShowMessageBox("Bumblepad could not create its window.", "Error", kMbIconWarning);
        return 0;
    }
    ReleaseDoorsLeftHeld();
    PutBackPowerButtonsLeftChanged();
    if (options.lockDriveDoors) LockAll(true, options.lockDrive);
    if (options.disablePowerButton) DisablePowerButton();
    KeyboardHookRepeat(options.keyRepeat);
    InstallInputTracker();
    StartWindowTimer(mainWindow, kIdleTimerId, kIdleTimerPeriodMs);
    AddTrayIcon(mainWindow);

    int code = RunMessageLoop();

    RemoveInputTracker();
    RemoveTrayIcon(mainWindow);
    SaveOptions();
    return code;
}

void CloseAtSessionEnd() {
    MainWindowProc(mainWindow, WM_QUERYENDSESSION, 0, 0);
    RemoveInputTracker();
    SaveOptions();
}
