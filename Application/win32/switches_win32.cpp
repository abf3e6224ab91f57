// The power and accessibility ports over powrprof and SystemParametersInfoA.
#include <windows.h>
#include <powrprof.h>

#include <cstddef>

#include "accessibility_port.h"
#include "power_port.h"

static_assert(sizeof(GlobalPowerPolicy) == sizeof(GLOBAL_POWER_POLICY), "GLOBAL_POWER_POLICY layout");
static_assert(offsetof(GlobalPowerPolicy, user.SleepButtonDc) == offsetof(GLOBAL_POWER_POLICY, user.SleepButtonDc),
              "GLOBAL_POWER_POLICY layout");
static_assert(offsetof(GlobalPowerPolicy, mach) == offsetof(GLOBAL_POWER_POLICY, mach), "GLOBAL_POWER_POLICY layout");
static_assert(sizeof(FilterKeysInfo) == sizeof(FILTERKEYS) && sizeof(MouseKeysInfo) == sizeof(MOUSEKEYS) &&
                  sizeof(StickyKeysInfo) == sizeof(STICKYKEYS) && sizeof(ToggleKeysInfo) == sizeof(TOGGLEKEYS),
              "accessibility record layouts");

bool ReadGlobalPowerPolicy(GlobalPowerPolicy& policy) {
    return ReadGlobalPwrPolicy(reinterpret_cast<PGLOBAL_POWER_POLICY>(&policy)) != FALSE;
}

bool WriteGlobalPowerPolicy(const GlobalPowerPolicy& policy) {
    GlobalPowerPolicy copy = policy;  // the call takes a non-const pointer
    return WriteGlobalPwrPolicy(reinterpret_cast<PGLOBAL_POWER_POLICY>(&copy)) != FALSE;
}

// The policy record serves on Windows (run_records_win32.cpp).
void RestorePowerButtonsLeftChanged() {}

bool GetActivePowerScheme(uint32_t& id) {
    UINT scheme = 0;
    BOOL ok = GetActivePwrScheme(&scheme);
    id = scheme;
    return ok != FALSE;
}

bool SetActivePowerScheme(uint32_t id, const GlobalPowerPolicy* global) {
    GlobalPowerPolicy copy;
    PGLOBAL_POWER_POLICY pointer = nullptr;
    if (global) {
        copy = *global;
        pointer = reinterpret_cast<PGLOBAL_POWER_POLICY>(&copy);
    }
    return SetActivePwrScheme(id, pointer, nullptr) != FALSE;
}

bool GetAccessibilityParameters(uint32_t action, uint32_t size, void* record) {
    return SystemParametersInfoA(action, size, record, 0) != FALSE;
}

bool SetAccessibilityParameters(uint32_t action, uint32_t size, void* record) {
    return SystemParametersInfoA(action, size, record, 0) != FALSE;
}
