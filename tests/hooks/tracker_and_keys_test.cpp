#include <gtest/gtest.h>

#include "fake_hooks.h"
#include "hook_procs.h"
#include "hook_rules.h"
#include "shared_state.h"

namespace {

using Calls = std::vector<std::string>;

class Tracker : public ::testing::Test {
protected:
    void SetUp() override {
        fakehooks::Reset();
        versionInfo = OsVersionInfo{};
        versionInfo.dwPlatformId = 1;  // older family: the hooks do the tracking
        versionInfo.dwMajorVersion = 4;
    }
    intptr_t Mouse(int code, uintptr_t message, int x, int y) {
        MouseEvent e{{x, y}, nullptr, 0, 0};
        return MouseTrackerProc(code, message, reinterpret_cast<intptr_t>(&e));
    }
};

TEST_F(Tracker, OlderSystemsInstallTwoPassThroughHooksAndStartFromTheInstallTime) {
    fakehooks::script.tickCount = 5000;
    InstallInputTracker();
    EXPECT_EQ(fakehooks::calls, (Calls{"SetWindowsHookExA(2,KeyboardTrackerProc,module,0)",
                                       "SetWindowsHookExA(7,MouseTrackerProc,module,0)"}));
    fakehooks::script.tickCount = 9000;
    EXPECT_EQ(GetLastInput(), 5000u);
    fakehooks::calls.clear();
    RemoveInputTracker();
    EXPECT_EQ(fakehooks::calls, (Calls{"UnhookWindowsHookEx(0x14)", "UnhookWindowsHookEx(0x15)"}));
}

TEST_F(Tracker, KeysCountOnHcActionOnlyAndArePassedOn) {
    InstallInputTracker();
    fakehooks::calls.clear();
    fakehooks::script.tickCount = 100;
    fakehooks::script.nextHookResult = 9;
    EXPECT_EQ(KeyboardTrackerProc(kHcNoRemove, 'A', 0), 9);
    EXPECT_EQ(GetLastInput(), 0u);
    EXPECT_EQ(KeyboardTrackerProc(kHcAction, 'A', 0), 9);
    EXPECT_EQ(GetLastInput(), 100u);
    EXPECT_EQ(fakehooks::calls, (Calls{"CallNextHookEx(0x14,3,0x41)", "CallNextHookEx(0x14,0,0x41)"}));
}

TEST_F(Tracker, AMoveToAnUnchangedPositionDoesNotCountButAClickThereDoes) {
    InstallInputTracker();
    fakehooks::script.tickCount = 10;
    Mouse(kHcAction, kWmMouseMove, 30, 40);
    EXPECT_EQ(GetLastInput(), 10u);
    fakehooks::script.tickCount = 20;
    Mouse(kHcAction, kWmMouseMove, 30, 40);
    EXPECT_EQ(GetLastInput(), 10u);
    Mouse(kHcNoRemove, kWmMouseMove, 31, 40);  // other codes never count
    EXPECT_EQ(GetLastInput(), 10u);
    EXPECT_EQ(lastMousePoint.x, 30);
    Mouse(kHcAction, kWmLButtonDown, 30, 40);
    EXPECT_EQ(GetLastInput(), 20u);
    fakehooks::script.tickCount = 30;
    Mouse(kHcAction, kWmMouseMove, 30, 41);
    EXPECT_EQ(GetLastInput(), 30u);
    EXPECT_EQ(lastMousePoint.y, 41);
    EXPECT_EQ(fakehooks::CallsStartingWith("CallNextHookEx(0x15,").size(), 5u);
}

TEST_F(Tracker, TheLastInputServiceIsAskedWhereItExistsAndNothingIsInstalled) {
    versionInfo.dwPlatformId = 2;
    versionInfo.dwMajorVersion = 5;
    InstallInputTracker();
    RemoveInputTracker();
    EXPECT_TRUE(fakehooks::calls.empty());
    fakehooks::script.lastInputTime = 0xFFFFFF00u;  // just before the wrap ...
    fakehooks::script.tickCount = 0x100u;           // ... and the clock just after it
    EXPECT_EQ(GetLastInput(), 0xFFFFFF00u)
        << "the service's time as it is, not moved to the clock's side of the wrap";
    fakehooks::script.lastInputFails = true;        // a failed query reads as input now
    EXPECT_EQ(GetLastInput(), 0x100u);
    EXPECT_EQ(fakehooks::calls, (Calls{"GetLastInputInfo(8)", "GetLastInputInfo(8)"}));
}

TEST(KeyMap, KeysymsMapToTheVirtualKeysOfTheSameKeys) {
    struct { uint32_t keysym; int vk; } cases[] = {
        {'a', 'A'}, {'z', 'Z'}, {'Q', 'Q'}, {'0', '0'}, {'9', '9'}, {0xFFBE, 0x70}, {0xFFC7, 0x79} /* F10 */,
        {0xFFC9, 0x7B}, {0xFF51, 0x25}, {0xFF52, 0x26}, {0xFF53, 0x27}, {0xFF54, 0x28}, {0xFFE1, 0xA0},
        {0xFFE2, 0xA1}, {0xFF08, 0x08}, {0xFF7F, 0x90}, {0xFFE9, 0xA4}, {0xFFEB, 0x5B}, {0xFF0D, 0x0D},
        {0x20, 0x20}, {0xFFB5, 0x65}, {0x2C, 0xBC}, {0x1008FF11 /* XF86AudioLowerVolume */, 0}, {0xE9, 0}};
    for (auto& c : cases) EXPECT_EQ(VirtualKeyFromKeysym(c.keysym), c.vk) << std::hex << c.keysym;
    // A national letter's key gets the code of its place: the key of a German
    // keyboard's ä is the US apostrophe key, that of ß the minus key.
    struct { const char* name; int vk; } places[] = {{"AC11", 0xDE}, {"AE11", 0xBD}, {"AD01", 'Q'}, {"AE10", '0'},
        {"AB10", 0xBF}, {"TLDE", 0xC0}, {"LSGT", 0xE2}, {"AE13", 0}, {"AC12", 0}, {"FK01", 0}, {"AB1", 0}};
    for (auto& p : places) EXPECT_EQ(VirtualKeyFromKeyName(p.name), p.vk) << p.name;
}

TEST(KeyMap, AltAndF10GiveSystemMessagesUnlessCtrlIsHeld) {
    EXPECT_EQ(KeyMessageFor(true, 'A', false, false), kWmKeyDown);
    EXPECT_EQ(KeyMessageFor(true, 0x09, true, false), kWmSysKeyDown);   // Alt+Tab
    EXPECT_EQ(KeyMessageFor(true, 0xA4, false, false), kWmSysKeyDown);  // Alt itself
    EXPECT_EQ(KeyMessageFor(true, 0x79, false, false), kWmSysKeyDown);  // F10
    EXPECT_EQ(KeyMessageFor(true, 'A', true, true), kWmKeyDown);        // Ctrl+Alt+A
    EXPECT_EQ(KeyMessageFor(true, 0x5B, false, false), kWmKeyDown);     // Windows key
    EXPECT_EQ(KeyMessageFor(false, 0x09, true, false), kWmSysKeyUp);
    EXPECT_EQ(KeyMessageFor(false, 0xA4, true, false), kWmKeyUp);
    EXPECT_EQ(KeyMessageFor(false, 0x90, false, false), kWmKeyUp);
}

}  // namespace
