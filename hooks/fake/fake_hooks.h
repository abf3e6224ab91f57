// Recording fakes of the hook library's platform ports, for the tests. Every
// call is logged with its arguments in `calls`; results come from `script`.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "os_version.h"

namespace fakehooks {
extern OsVersionInfo version;  // what ReadVersionRecord hands out

extern std::vector<std::string> calls;

struct Script {
    bool refuseHooks = false;          // InstallHook answers null
    std::vector<int> refusedTypes;     // ... or only for these hook types
    intptr_t nextHookResult = 0;       // CallNextHook's answer
    uint32_t tickCount = 0;            // HookTickCount
    bool lastInputFails = false;       // QueryLastInputTime
    uint32_t lastInputTime = 0;
    int32_t screenSaverPrevious = 0;   // written through SetScreenSaverRunning's pointer
};
extern Script script;

// Clears the log and the script, and the shared state back to its load values.
void Reset();

// Logged calls that start with prefix, in order.
std::vector<std::string> CallsStartingWith(const std::string& prefix);
}  // namespace fakehooks
