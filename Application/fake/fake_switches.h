// Script of the recording fakes of the power and accessibility ports. The
// calls are logged into fake::calls; fake::Reset() does not touch this
// script, ResetSwitches() does.
#pragma once
#include <cstdint>
#include <array>
#include <map>

#include "accessibility_port.h"
#include "power_port.h"

namespace fake {
struct SwitchesScript {
    GlobalPowerPolicy storedPolicy{};   // what ReadGlobalPwrPolicy hands out; WriteGlobalPwrPolicy stores
    bool powerReadFails = false;
    bool powerWriteFails = false;  // the system refuses the changed policy
    uint32_t activeScheme = 3;
    // The power record, as the Windows store keeps it: who made it (this
    // run, a run that has ended, another run that still runs) and the policy.
    enum class RecordOwner { None, ThisRun, EndedRun, LiveRun };
    RecordOwner recordOwner = RecordOwner::None;
    GlobalPowerPolicy recordedPolicy{};
    // The system's accessibility records by get action (0x32, 0x36, 0x3A,
    // 0x34); a set action writes the record of its get action.
    std::map<uint32_t, std::array<uint8_t, 28>> records;
};
extern SwitchesScript switches;
void ResetSwitches();
}  // namespace fake
