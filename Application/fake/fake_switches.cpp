#include "fake_switches.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "fake_platform.h"
#include "switches.h"

namespace fake {
SwitchesScript switches;
void ResetSwitches() { switches = SwitchesScript(); }
}  // namespace fake

using fake::calls;
using fake::switches;

static std::string Hex(uint64_t v) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

bool ReadGlobalPowerPolicy(GlobalPowerPolicy& policy) {
    calls.push_back("ReadGlobalPwrPolicy(" + std::to_string(sizeof policy) + ")");
    if (switches.powerReadFails) return false;
    policy = switches.storedPolicy;
    return true;
}

bool WriteGlobalPowerPolicy(const GlobalPowerPolicy& policy) {
    calls.push_back("WriteGlobalPwrPolicy(" + std::string(&policy == &savedPowerPolicy ? "saved" : "working") + ")");
    if (switches.powerWriteFails) return false;
    switches.storedPolicy = policy;
    return true;
}

void RestorePowerButtonsLeftChanged() { calls.push_back("RestorePowerButtonsLeftChanged"); }

using Owner = fake::SwitchesScript::RecordOwner;

void KeepPowerRecord(const GlobalPowerPolicy& before) {
    if (switches.recordOwner == Owner::LiveRun) return;
    switches.recordOwner = Owner::ThisRun;
    switches.recordedPolicy = before;
}

bool PowerRecordLeft(GlobalPowerPolicy& before) {
    if (switches.recordOwner != Owner::EndedRun) return false;
    before = switches.recordedPolicy;
    return true;
}

void DropPowerRecord() {
    if (switches.recordOwner != Owner::LiveRun) switches.recordOwner = Owner::None;
}

bool GetActivePowerScheme(uint32_t& id) {
    calls.push_back("GetActivePwrScheme");
    id = switches.activeScheme;
    return true;
}

bool SetActivePowerScheme(uint32_t id, const GlobalPowerPolicy* global) {
    calls.push_back("SetActivePwrScheme(" + std::to_string(id) + "," +
                    (global == nullptr ? "none" : global == &savedPowerPolicy ? "saved" : "other") + ",none)");
    return true;
}

static uint32_t GetActionOf(uint32_t setAction) { return setAction == 0x35 ? 0x34 : setAction - 1; }

bool GetAccessibilityParameters(uint32_t action, uint32_t size, void* record) {
    uint32_t cbSize = 0;
    std::memcpy(&cbSize, record, 4);
    calls.push_back("SystemParametersInfoA(" + Hex(action) + "," + std::to_string(size) + ",cbSize " +
                    std::to_string(cbSize) + ",0)");
    auto it = switches.records.find(action);
    if (it == switches.records.end()) return false;
    std::memcpy(record, it->second.data(), size);
    return true;
}

bool SetAccessibilityParameters(uint32_t action, uint32_t size, void* record) {
    uint32_t flags = 0;
    std::memcpy(&flags, static_cast<uint8_t*>(record) + 4, 4);
    calls.push_back("SystemParametersInfoA(" + Hex(action) + "," + std::to_string(size) + ",flags " + Hex(flags) +
                    ",0)");
    auto& stored = switches.records[GetActionOf(action)];
    stored.fill(0);
    std::memcpy(stored.data(), record, size);
    return true;
}
