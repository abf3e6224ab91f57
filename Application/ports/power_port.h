// The power management library's global power policy and active scheme
// (powrprof). The policy record is laid out as GLOBAL_POWER_POLICY.
#pragma once
#include <cstdint>

struct PowerActionPolicy {
    uint32_t Action;
    uint32_t Flags;
    uint32_t EventCode;
};

struct SystemPowerLevel {
    uint8_t Enable;
    uint8_t Spare[3];
    uint32_t BatteryLevel;
    PowerActionPolicy PowerPolicy;
    uint32_t MinSystemState;
};

struct GlobalUserPowerPolicy {
    uint32_t Revision;
    PowerActionPolicy PowerButtonAc;
    PowerActionPolicy PowerButtonDc;
    PowerActionPolicy SleepButtonAc;
    PowerActionPolicy SleepButtonDc;
    PowerActionPolicy LidCloseAc;
    PowerActionPolicy LidCloseDc;
    SystemPowerLevel DischargePolicy[4];
    uint32_t GlobalFlags;
};

struct GlobalMachinePowerPolicy {
    uint32_t Revision;
    uint32_t LidOpenWakeAc;
    uint32_t LidOpenWakeDc;
    uint32_t BroadcastCapacityResolution;
};

struct GlobalPowerPolicy {
    GlobalUserPowerPolicy user;
    GlobalMachinePowerPolicy mach;
};
static_assert(sizeof(GlobalPowerPolicy) == 192, "the global power policy is 192 bytes");

constexpr uint32_t kPowerActionNone = 0;
constexpr uint32_t kPowerForceTriggerReset = 0x80000000u;

// ReadGlobalPwrPolicy / WriteGlobalPwrPolicy.
bool ReadGlobalPowerPolicy(GlobalPowerPolicy& policy);
bool WriteGlobalPowerPolicy(const GlobalPowerPolicy& policy);

// At start: puts back power-button settings that an earlier run changed and
// could not restore because it was killed. Linux keeps the desktop's own
// setting it changed in a record for this; on Windows the record below
// serves, and this does nothing.
void RestorePowerButtonsLeftChanged();

// The record that lets a later start put the power and sleep buttons back
// when this run ends without its clean-up (killed, crashed, the machine cut
// off): the policy read before the buttons were changed. Windows writes the
// global policy to the system, where it outlives the process; the record is
// the value "PowerButtons" of the settings key, with the id of the process
// that made the change, so that two controllers (two sessions) never take
// each other's record for a dead one's. Linux needs none (its inhibitor ends
// with the process): there the record keeps nothing.
// KeepPowerRecord: before the buttons are changed; a record made by another
//   run that still runs is left as it is.
// PowerRecordLeft: the record of a run that has ended, when there is one.
// DropPowerRecord: the record goes, unless another run that still runs made it.
void KeepPowerRecord(const GlobalPowerPolicy& before);
bool PowerRecordLeft(GlobalPowerPolicy& before);
void DropPowerRecord();

// GetActivePwrScheme(id) / SetActivePwrScheme(id, global or none, none).
bool GetActivePowerScheme(uint32_t& id);
bool SetActivePowerScheme(uint32_t id, const GlobalPowerPolicy* global);
