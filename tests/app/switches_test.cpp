#include <gtest/gtest.h>

#include <cstring>

#include "accessibility_port.h"
#include "fake_platform.h"
#include "fake_switches.h"
#include "power_port.h"
#include "switches.h"

namespace {

using Calls = std::vector<std::string>;

// A policy whose every byte is distinct, so that any stray write shows.
GlobalPowerPolicy PatternedPolicy() {
    GlobalPowerPolicy p;
    auto* bytes = reinterpret_cast<uint8_t*>(&p);
    for (size_t i = 0; i < sizeof p; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
    return p;
}

class Switches : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        fake::ResetSwitches();
    }
};

TEST_F(Switches, DisablePowerButtonChangesExactlyTheButtonFieldsAndReactivatesTheScheme) {
    const GlobalPowerPolicy read = PatternedPolicy();
    fake::switches.storedPolicy = read;
    DisablePowerButton();
    EXPECT_EQ(fake::calls, (Calls{"ReadGlobalPwrPolicy(192)", "GetActivePwrScheme", "WriteGlobalPwrPolicy(working)",
                                  "SetActivePwrScheme(3,none,none)"}));
    GlobalPowerPolicy expected = read;
    expected.user.PowerButtonAc.Action = 0;
    expected.user.PowerButtonAc.EventCode = 0x80000000u;
    expected.user.PowerButtonDc.Action = 0;
    expected.user.SleepButtonAc.Action = 0;
    expected.user.SleepButtonAc.EventCode = 0x80000000u;
    expected.user.SleepButtonDc.Action = 0;
    expected.user.SleepButtonDc.EventCode = 0x80000000u;
    const GlobalPowerPolicy& written = fake::switches.storedPolicy;
    EXPECT_EQ(std::memcmp(&written, &expected, sizeof expected), 0);
    EXPECT_EQ(written.user.PowerButtonDc.EventCode, read.user.PowerButtonDc.EventCode);  // kept
    EXPECT_EQ(written.user.PowerButtonAc.Flags, read.user.PowerButtonAc.Flags);
    EXPECT_EQ(std::memcmp(&savedPowerPolicy, &read, sizeof read), 0);
}

TEST_F(Switches, BothRestoreFormsWriteBackWhatWasReadByteForByte) {
    const GlobalPowerPolicy read = PatternedPolicy();
    for (PowerRestoreForm form : {PowerRestoreForm::Menu, PowerRestoreForm::Closing}) {
        fake::switches.storedPolicy = read;
        DisablePowerButton();
        fake::calls.clear();
        RestorePowerPolicy(form);
        EXPECT_EQ(std::memcmp(&fake::switches.storedPolicy, &read, sizeof read), 0);
        std::string last = form == PowerRestoreForm::Menu ? "SetActivePwrScheme(3,saved,none)"
                                                          : "SetActivePwrScheme(3,none,none)";
        EXPECT_EQ(fake::calls, (Calls{"WriteGlobalPwrPolicy(saved)", "GetActivePwrScheme", last}));
    }
}

// Without a record (a platform that needs none), a second change takes the
// policy as it finds it for the one to restore.
TEST_F(Switches, WithoutARecordASecondChangeTakesThePolicyAsItFindsIt) {
    fake::switches.storedPolicy = PatternedPolicy();
    DisablePowerButton();                           // ... and the process dies here
    fake::switches.recordOwner = fake::SwitchesScript::RecordOwner::None;
    const GlobalPowerPolicy leftOver = fake::switches.storedPolicy;
    PutBackPowerButtonsLeftChanged();
    DisablePowerButton();                           // the next start
    EXPECT_EQ(std::memcmp(&savedPowerPolicy, &leftOver, sizeof leftOver), 0);
}

bool SameButtons(const GlobalPowerPolicy& a, const GlobalPowerPolicy& b) {
    return std::memcmp(&a.user.PowerButtonAc, &b.user.PowerButtonAc, 4 * sizeof(PowerActionPolicy)) == 0;
}

// A run killed with the buttons off (Windows keeps the changed policy in the
// system) leaves its record; the next start puts the buttons back from it
// before it applies the settings again, so what it saves and later restores
// is the user's own policy, and what changed meanwhile outside the buttons
// stays. A record that another run which still runs made is left alone.
TEST_F(Switches, AKilledRunsButtonsArePutBackByTheNextStartFromItsRecord) {
    using Owner = fake::SwitchesScript::RecordOwner;
    const GlobalPowerPolicy own = PatternedPolicy();
    fake::switches.storedPolicy = own;
    DisablePowerButton();
    EXPECT_EQ(fake::switches.recordOwner, Owner::ThisRun);
    fake::switches.recordOwner = Owner::EndedRun;            // ... and the process dies here
    fake::switches.storedPolicy.user.LidCloseAc.Action = 5;  // changed meanwhile by someone else

    PutBackPowerButtonsLeftChanged();  // the next start
    EXPECT_TRUE(SameButtons(fake::switches.storedPolicy, own));
    EXPECT_EQ(fake::switches.storedPolicy.user.LidCloseAc.Action, 5u);
    EXPECT_EQ(fake::switches.recordOwner, Owner::None);
    DisablePowerButton();
    EXPECT_TRUE(SameButtons(savedPowerPolicy, own));
    RestorePowerPolicy(PowerRestoreForm::Closing);
    EXPECT_TRUE(SameButtons(fake::switches.storedPolicy, own));
    EXPECT_EQ(fake::switches.recordOwner, Owner::None);

    // A refused write keeps the record for the start after.
    DisablePowerButton();
    fake::switches.recordOwner = Owner::EndedRun;
    fake::switches.powerWriteFails = true;
    PutBackPowerButtonsLeftChanged();
    EXPECT_EQ(fake::switches.recordOwner, Owner::EndedRun);

    // Another controller that still runs (another session) keeps its record.
    fake::switches.powerWriteFails = false;
    fake::switches.recordOwner = Owner::LiveRun;
    fake::switches.recordedPolicy = own;
    const GlobalPowerPolicy before = fake::switches.storedPolicy;
    PutBackPowerButtonsLeftChanged();
    EXPECT_EQ(std::memcmp(&fake::switches.storedPolicy, &before, sizeof before), 0);
    DisablePowerButton();
    RestorePowerPolicy(PowerRestoreForm::Menu);
    EXPECT_EQ(fake::switches.recordOwner, Owner::LiveRun);
    EXPECT_TRUE(SameButtons(fake::switches.recordedPolicy, own));
}

// The four records as a user might have them: hot keys on, other bits set.
void ScriptUserRecords(uint32_t filter, uint32_t mouse, uint32_t sticky, uint32_t toggle) {
    auto put = [](uint32_t action, uint32_t size, uint32_t flags) {
        std::array<uint8_t, 28> r{};
        for (uint32_t i = 8; i < size; ++i) r[i] = static_cast<uint8_t>(action + i);
        std::memcpy(r.data(), &size, 4);
        std::memcpy(r.data() + 4, &flags, 4);
        fake::switches.records[action] = r;
    };
    put(0x32, 24, filter);
    put(0x36, 28, mouse);
    put(0x3A, 8, sticky);
    put(0x34, 8, toggle);
}

uint32_t Flags(uint32_t getAction) {
    uint32_t f;
    std::memcpy(&f, fake::switches.records[getAction].data() + 4, 4);
    return f;
}

TEST_F(Switches, TheLockClearsBit4OfTheFourRecordsInOrderAndTheEndPutsBackTheUsersRecords) {
    ScriptUserRecords(0x7E, 0x5D, 0x1FF, 0x06);
    auto before = fake::switches.records;
    SetAccessibilityHotkeys(true);
    EXPECT_EQ(fake::calls, (Calls{"SystemParametersInfoA(0x32,24,cbSize 24,0)", "SystemParametersInfoA(0x33,24,flags 0x7A,0)",
                                  "SystemParametersInfoA(0x36,28,cbSize 28,0)", "SystemParametersInfoA(0x37,28,flags 0x59,0)",
                                  "SystemParametersInfoA(0x3A,8,cbSize 8,0)", "SystemParametersInfoA(0x3B,8,flags 0x1FB,0)",
                                  "SystemParametersInfoA(0x34,8,cbSize 8,0)", "SystemParametersInfoA(0x35,8,flags 0x2,0)"}));
    for (uint32_t get : {0x32u, 0x36u, 0x3Au, 0x34u}) EXPECT_EQ(Flags(get) & 0x4, 0u) << get;
    fake::calls.clear();
    SetAccessibilityHotkeys(false);
    EXPECT_EQ(fake::calls, (Calls{"SystemParametersInfoA(0x33,24,flags 0x7E,0)", "SystemParametersInfoA(0x37,28,flags 0x5D,0)",
                                  "SystemParametersInfoA(0x3B,8,flags 0x1FF,0)", "SystemParametersInfoA(0x35,8,flags 0x6,0)"}));
    EXPECT_EQ(fake::switches.records, before);  // every byte of every record as the user had it
}

TEST_F(Switches, HotKeysAlreadyOffAreSetAnywayAndNothingChanges) {
    ScriptUserRecords(0x2, 0x0, 0x1, 0x0);
    auto before = fake::switches.records;
    SetAccessibilityHotkeys(true);
    EXPECT_EQ(fake::CallsStartingWith("SystemParametersInfoA(0x33").size(), 1u);
    EXPECT_EQ(fake::CallsStartingWith("SystemParametersInfoA(0x35").size(), 1u);
    EXPECT_EQ(fake::switches.records, before);
    SetAccessibilityHotkeys(false);
    EXPECT_EQ(fake::switches.records, before);
}

}  // namespace
