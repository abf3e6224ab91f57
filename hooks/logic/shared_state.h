// The hook library's state. The shared part exists once for every process
// that loads the library (on Windows it lies in the read/write/shared section
// ".IdleTra", each variable with an explicit initial value); the per-process
// part is ordinary data.
#pragma once
#include <cstdint>

#include "Hookwell.h"
#include "os_version.h"

struct HHOOK__;
typedef HHOOK__* HHOOK;
typedef void* HANDLE;

struct HookPoint {
    int32_t x;
    int32_t y;
};

// ---- shared by all processes ----
extern uint32_t lastInputTime;
extern HHOOK trackerKeyboardHook;
extern HHOOK trackerMouseHook;
extern HHOOK lockKeyboardHook;
extern HHOOK lockMouseHook;
extern HWND reportWindow;
extern uint32_t wheelCount;
extern HookPoint lastMousePoint;
extern uint8_t keyDownTable[256];
extern bool repeatKeys;
extern int32_t screenSaverState;

// ---- per process ----
extern void* moduleInstance;
extern OsVersionInfo versionInfo;
extern bool driveTablesReady;
extern HANDLE driveHandles[26];
extern int32_t driveLockCounts[26];

// Process attach: store the module handle and read the version record.
void OnProcessAttach(void* module);
