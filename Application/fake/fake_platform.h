// Recording fakes of the controller's ports and of the hook library's
// exports: every call is logged with its arguments, results come from the
// script below. Tests reset it, set the script, run the logic and compare the
// log.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "os_version.h"

namespace fake {

extern std::vector<std::string> calls;

struct Script {
    uint32_t tickCount = 0;
    int64_t calendarSeconds = 0;
    bool mutexExists = false;                       // CreateNamedMutex finds one
    bool mutexFails = false;                        // CreateNamedMutex cannot make one
    std::vector<std::string> openableMutexes;       // OpenNamedMutex succeeds for these
    bool settingsKeyExists = true;
    bool settingsWriteFails = false;
    std::map<std::string, std::vector<uint8_t>> values;  // the key's stored values
    OsVersionInfo version{148, 5, 1, 2600, 2, {}};
    bool windowCreationFails = false;
    int messageLoopResult = 0;
    unsigned long lastInput = 0;                    // GetLastInput
    std::vector<std::string> existingFiles;
    bool windowVisible = false;                     // IsMainWindowVisible; ShowMainWindow sets it
    struct Posted {
        uint32_t message;
        uintptr_t wParam;
        intptr_t lParam;
    };
    std::vector<Posted> posted;                     // PostWindowMessage, oldest first
    bool postsFail = false;                         // PostWindowMessage loses the message (a full queue)
};
extern Script script;

void Reset();

// Calls whose name starts with prefix, in order.
std::vector<std::string> CallsStartingWith(const std::string& prefix);

}  // namespace fake
