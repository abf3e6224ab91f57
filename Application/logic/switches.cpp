// The power button and the accessibility hot keys: the system's own values
// are saved first and exactly those are written back.
#include "switches.h"

#include <cstring>

#include "accessibility_port.h"
#include "power_port.h"

GlobalPowerPolicy savedPowerPolicy;
FilterKeysInfo savedFilterKeys;
MouseKeysInfo savedMouseKeys;
StickyKeysInfo savedStickyKeys;
ToggleKeysInfo savedToggleKeys;

bool powerButtonRefused = false;

bool DisablePowerButton() {
    ReadGlobalPowerPolicy(savedPowerPolicy);
    KeepPowerRecord(savedPowerPolicy);
    GlobalPowerPolicy working = savedPowerPolicy;
    working.user.PowerButtonAc.Action = kPowerActionNone;
    working.user.PowerButtonAc.EventCode = kPowerForceTriggerReset;
    working.user.PowerButtonDc.Action = kPowerActionNone;
    working.user.SleepButtonAc.Action = kPowerActionNone;
    working.user.SleepButtonAc.EventCode = kPowerForceTriggerReset;
    working.user.SleepButtonDc.Action = kPowerActionNone;
    working.user.SleepButtonDc.EventCode = kPowerForceTriggerReset;
    uint32_t scheme = 0;
    GetActivePowerScheme(scheme);
    powerButtonRefused = !WriteGlobalPowerPolicy(working);
    // Activating the active scheme again makes the policy just written count.
    SetActivePowerScheme(scheme, nullptr);
    return !powerButtonRefused;
}

void RestorePowerPolicy(PowerRestoreForm form) {
    powerButtonRefused = false;
    const bool restored = WriteGlobalPowerPolicy(savedPowerPolicy);
    uint32_t scheme = 0;
    GetActivePowerScheme(scheme);
    SetActivePowerScheme(scheme, form == PowerRestoreForm::Menu ? &savedPowerPolicy : nullptr);
    if (restored) DropPowerRecord();  // else the next start tries again
}

void PutBackPowerButtonsLeftChanged() {
    RestorePowerButtonsLeftChanged();
    GlobalPowerPolicy before;
    if (!PowerRecordLeft(before)) return;
    // Only the four button policies the change made go back; whatever else
    // was changed since then stays.
    GlobalPowerPolicy now = before;
    ReadGlobalPowerPolicy(now);
    now.user.PowerButtonAc = before.user.PowerButtonAc;
    now.user.PowerButtonDc = before.user.PowerButtonDc;
    now.user.SleepButtonAc = before.user.SleepButtonAc;
    now.user.SleepButtonDc = before.user.SleepButtonDc;
    if (!WriteGlobalPowerPolicy(now)) return;  // the record stays for the next start
    uint32_t scheme = 0;
    GetActivePowerScheme(scheme);
    SetActivePowerScheme(scheme, nullptr);
    DropPowerRecord();
}

namespace {
template <typename Record>
void ClearHotKey(Record& saved, uint32_t getAction, uint32_t setAction) {
    saved.cbSize = sizeof(Record);
    GetAccessibilityParameters(getAction, sizeof(Record), &saved);
    Record working = saved;
    if (working.dwFlags & kHotKeyActive) working.dwFlags &= ~kHotKeyActive;
    SetAccessibilityParameters(setAction, sizeof(Record), &working);
}
}  // namespace

void SetAccessibilityHotkeys(bool lock) {
    if (lock) {
        ClearHotKey(savedFilterKeys, kSpiGetFilterKeys, kSpiSetFilterKeys);
        ClearHotKey(savedMouseKeys, kSpiGetMouseKeys, kSpiSetMouseKeys);
        ClearHotKey(savedStickyKeys, kSpiGetStickyKeys, kSpiSetStickyKeys);
        ClearHotKey(savedToggleKeys, kSpiGetToggleKeys, kSpiSetToggleKeys);
    } else {
        SetAccessibilityParameters(kSpiSetFilterKeys, sizeof savedFilterKeys, &savedFilterKeys);
        SetAccessibilityParameters(kSpiSetMouseKeys, sizeof savedMouseKeys, &savedMouseKeys);
        SetAccessibilityParameters(kSpiSetStickyKeys, sizeof savedStickyKeys, &savedStickyKeys);
        SetAccessibilityParameters(kSpiSetToggleKeys, sizeof savedToggleKeys, &savedToggleKeys);
    }
}
