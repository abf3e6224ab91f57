// The controller's process-wide state and the operations of its start, run
// and exit. Everything runs on the controller's one thread.
#pragma once
#include <cstdint>

#include "messages.h"
#include "os_version.h"

extern void* appInstance;          // module instance: icon, menus, dialogs
extern OsVersionInfo osVersionInfo; // read once at start-up
extern HWND mainWindow;            // the only top-level window, hidden unless locked

constexpr const char* kInstanceMutexName = "Bumblepad_Prev_App_Instance_Mutex";
constexpr const char* kAppName = "Bumblepad";
constexpr uintptr_t kIdleTimerId = 1;
constexpr uint32_t kIdleTimerPeriodMs = 5000;

// The whole life of the controller: commandLine is the text after the
// program name. Returns the exit code (0 on every path).
int RunController(void* instance, const char* commandLine);

// What the command line asks for.
enum class CommandLineAction { NormalStart, HandOver, Quit };
// For HandOver, folder receives the text from the ninth character on.
CommandLineAction ParseCommandLine(const char* commandLine, const char** folder);

// The session ends while the message loop runs and the loop cannot be
// returned to (Linux: the X server went away and the process must end now):
// the close path, then the exit steps that need no display (the tray icon
// went with it): input tracker removed, settings saved.
void CloseAtSessionEnd();

// The window procedure (main_window.cpp).
LResult MainWindowProc(HWND window, uint32_t message, WParam wParam, LParam lParam);
// The close path has run (log-off, shut-down, "Exit"): what it released and
// restored must not be applied again, e.g. by a dialog that its quit ended.
extern bool closePathRan;
