#include <gtest/gtest.h>

#include "fake_hooks.h"
#include "hook_procs.h"
#include "hook_rules.h"
#include "hook_system_port.h"
#include "shared_state.h"

namespace {

using Calls = std::vector<std::string>;
HWND const kWindow = reinterpret_cast<HWND>(0x4A2);


class LockHooks : public ::testing::Test {
protected:
    void SetUp() override {
        fakehooks::Reset();
        versionInfo = VersionRecord(2, 5, 1);
    }
    // One low-level keyboard event through the lock hook; the hook's answer.
    intptr_t LowLevel(uintptr_t message, uint32_t vk, bool up = false) {
        LowLevelKeyEvent e{vk, 0, up ? kLlkhfUp : 0u, 0, 0};
        return KeyboardLockProcLL(kHcAction, message, reinterpret_cast<intptr_t>(&e));
    }
    Calls Reports() { return fakehooks::CallsStartingWith("PostMessageA"); }
    static std::string Key(int vk) { return "PostMessageA(0x4A2,0x8002," + std::to_string(vk) + ",0)"; }
};

TEST_F(LockHooks, NtFamilyInstallsTheLowLevelHookAndTheMouseHookOfTheMode) {
    SetKeyboardHook(kWindow, false, true);
    EXPECT_EQ(fakehooks::calls, (Calls{"SetWindowsHookExA(13,KeyboardLockProcLL,module,0)",
                                       "SetWindowsHookExA(7,MouseBlockProc,module,0)"}));
    EXPECT_EQ(reportWindow, kWindow);
    RemoveKeyboardHook(false);
    fakehooks::calls.clear();

    SetKeyboardHook(kWindow, true, true);
    EXPECT_EQ(fakehooks::calls, (Calls{"SetWindowsHookExA(13,KeyboardLockProcLL,module,0)",
                                       "SetWindowsHookExA(7,MouseReportProc,module,0)"}));
    fakehooks::calls.clear();
    RemoveKeyboardHook(true);
    EXPECT_EQ(fakehooks::calls, (Calls{"UnhookWindowsHookEx(0x10)", "UnhookWindowsHookEx(0x13)"}));
    EXPECT_EQ(lockMouseHook, nullptr);
    EXPECT_NE(lockKeyboardHook, nullptr);  // kept after the remove
}

TEST_F(LockHooks, MouseLeftAloneAfterARemoveUnhooksOnlyTheKeyboard) {
    SetKeyboardHook(kWindow, false, false);
    RemoveKeyboardHook(false);
    fakehooks::calls.clear();
    SetKeyboardHook(kWindow, true, false);
    EXPECT_EQ(fakehooks::calls, Calls{"SetWindowsHookExA(13,KeyboardLockProcLL,module,0)"});
    EXPECT_EQ(lockMouseHook, nullptr);
    fakehooks::calls.clear();
    RemoveKeyboardHook(false);
    EXPECT_EQ(fakehooks::calls, Calls{"UnhookWindowsHookEx(0x10)"});
}

TEST_F(LockHooks, OlderFamilyTellsTheSystemAScreenSaverRunsAroundTheClassicHook) {
    versionInfo = VersionRecord(1, 4, 10);
    SetKeyboardHook(kWindow, true, false);
    RemoveKeyboardHook(false);
    EXPECT_EQ(fakehooks::calls, (Calls{"SystemParametersInfoA(97,1,&screenSaverState,0)",
                                       "SetWindowsHookExA(2,KeyboardLockProc,module,0)",
                                       "SystemParametersInfoA(97,0,&screenSaverState,0)",
                                       "UnhookWindowsHookEx(0x11)"}));
}

TEST_F(LockHooks, ARefusedHookLeavesANullHandleAndTheRemoveStillRuns) {
    fakehooks::script.refuseHooks = true;
    SetKeyboardHook(kWindow, false, false);
    EXPECT_EQ(lockKeyboardHook, nullptr);
    EXPECT_EQ(lockMouseHook, nullptr);
    fakehooks::calls.clear();
    RemoveKeyboardHook(false);
    EXPECT_EQ(fakehooks::calls, Calls{"UnhookWindowsHookEx(0x0)"});
}

TEST_F(LockHooks, SetKeyboardHookClearsTheKeyTable) {
    keyDownTable['A'] = 1;
    keyDownTable[0xFF] = 1;
    SetKeyboardHook(kWindow, true, false);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(keyDownTable[i], 0) << i;
}

TEST_F(LockHooks, RepeatOffReportsAHeldKeyOnceAndAgainAfterItsRelease) {
    repeatKeys = false;
    SetKeyboardHook(kWindow, true, false);
    fakehooks::calls.clear();
    EXPECT_EQ(LowLevel(kWmKeyDown, 'A'), 1);
    EXPECT_EQ(LowLevel(kWmKeyDown, 'A'), 1);  // auto-repeats
    EXPECT_EQ(LowLevel(kWmKeyDown, 'A'), 1);
    EXPECT_EQ(keyDownTable['A'], 1);
    EXPECT_EQ(LowLevel(kWmKeyUp, 'A', true), 1);
    EXPECT_EQ(keyDownTable['A'], 0);
    LowLevel(kWmKeyDown, 'A');
    EXPECT_EQ(Reports(), (Calls{Key('A'), Key('A')}));
    EXPECT_TRUE(fakehooks::CallsStartingWith("CallNextHookEx").empty());  // swallowed, not passed on
}

TEST_F(LockHooks, RepeatOnReportsEveryAutoRepeatAndTheSwitchActsMidLock) {
    repeatKeys = true;
    SetKeyboardHook(kWindow, true, false);
    fakehooks::calls.clear();
    for (int i = 0; i < 3; ++i) LowLevel(kWmKeyDown, 'Q');
    EXPECT_EQ(Reports().size(), 3u);
    KeyboardHookRepeat(false);
    LowLevel(kWmKeyDown, 'Q');
    EXPECT_EQ(Reports().size(), 3u);
    KeyboardHookRepeat(true);
    LowLevel(kWmKeyDown, 'Q');
    EXPECT_EQ(Reports().size(), 4u);
}

TEST_F(LockHooks, AKeyHeldWhenTheLockStartsIsReportedAtItsNextRepeat) {
    repeatKeys = false;
    keyDownTable['Z'] = 1;  // held from before
    SetKeyboardHook(kWindow, true, false);
    fakehooks::calls.clear();
    LowLevel(kWmKeyDown, 'Z');
    LowLevel(kWmKeyDown, 'Z');
    EXPECT_EQ(Reports(), Calls{Key('Z')});
}

TEST_F(LockHooks, AltCombinationsAndF10AreSwallowedUnreportedButTheWindowsKeysAreReported) {
    repeatKeys = false;
    SetKeyboardHook(kWindow, true, false);
    fakehooks::calls.clear();
    EXPECT_EQ(LowLevel(kWmSysKeyDown, 0xA4), 1);  // Alt
    EXPECT_EQ(LowLevel(kWmSysKeyDown, 0x09), 1);  // Tab with Alt held
    EXPECT_EQ(LowLevel(kWmSysKeyUp, 0x09, true), 1);
    EXPECT_EQ(LowLevel(kWmKeyUp, 0xA4, true), 1);
    EXPECT_EQ(LowLevel(kWmSysKeyDown, 0x79), 1);  // F10
    EXPECT_EQ(keyDownTable[0x79], 1);             // the table follows every message
    EXPECT_EQ(LowLevel(kWmKeyDown, 0x5B), 1);     // left Windows key
    EXPECT_EQ(LowLevel(kWmKeyUp, 0x5B, true), 1);
    EXPECT_EQ(LowLevel(kWmKeyDown, 0x5C), 1);     // right Windows key
    EXPECT_EQ(Reports(), (Calls{Key(0x5B), Key(0x5C)}));
}

TEST_F(LockHooks, AKeyDownFlaggedAsReleaseIsReported) {
    repeatKeys = false;
    reportWindow = kWindow;
    keyDownTable['B'] = 1;
    LowLevel(kWmKeyDown, 'B', true);
    EXPECT_EQ(Reports(), Calls{Key('B')});
    EXPECT_EQ(keyDownTable['B'], 0);
}

TEST_F(LockHooks, ANumLockReleaseSynthesisesANumLockKeyDown) {
    SetKeyboardHook(kWindow, true, false);
    fakehooks::calls.clear();
    LowLevel(kWmKeyDown, 0x90);
    LowLevel(kWmKeyUp, 0x90, true);
    EXPECT_EQ(fakehooks::calls, (Calls{Key(0x90), "keybd_event(0x90,0x45,1,0)"}));
    fakehooks::calls.clear();
    LowLevel(kWmKeyUp, 'N', true);            // other releases synthesise nothing
    LowLevel(kWmSysKeyUp, 0x90, true);        // nor a Num Lock release as a system key
    EXPECT_TRUE(fakehooks::calls.empty());
}

TEST_F(LockHooks, NegativeCodesGoStraightToTheNextHook) {
    SetKeyboardHook(kWindow, false, true);
    fakehooks::script.nextHookResult = 77;
    fakehooks::calls.clear();
    EXPECT_EQ(KeyboardLockProcLL(-1, kWmKeyDown, 0), 77);
    EXPECT_EQ(KeyboardLockProc(-1, 'A', 0), 77);
    EXPECT_EQ(MouseBlockProc(-1, kWmLButtonDown, 0), 77);
    EXPECT_EQ(MouseReportProc(-2, kWmLButtonDown, 0), 77);
    EXPECT_EQ(fakehooks::calls, (Calls{"CallNextHookEx(0x10,-1,0x100)", "CallNextHookEx(0x10,-1,0x41)",
                                       "CallNextHookEx(0x12,-1,0x201)", "CallNextHookEx(0x12,-2,0x201)"}));
}

TEST_F(LockHooks, ClassicHookUsesBit30AndSwallowsReleasesUnreported) {
    versionInfo = VersionRecord(1, 4, 10);
    repeatKeys = false;
    SetKeyboardHook(kWindow, true, false);
    fakehooks::calls.clear();
    EXPECT_EQ(KeyboardLockProc(kHcAction, 'K', 0x00250001), 1);    // first key-down
    EXPECT_EQ(KeyboardLockProc(kHcAction, 'K', 0x40250001), 1);    // auto-repeat: bit 30
    EXPECT_EQ(KeyboardLockProc(kHcNoRemove, 'K', 0x40250001), 1);
    EXPECT_EQ(KeyboardLockProc(kHcAction, 'K', static_cast<intptr_t>(0xC0250001u)), 1);  // release
    EXPECT_EQ(Reports(), Calls{Key('K')});
    repeatKeys = true;
    KeyboardLockProc(kHcNoRemove, 'K', 0x40250001);                 // HC_NOREMOVE is treated alike
    EXPECT_EQ(Reports(), (Calls{Key('K'), Key('K')}));
}

TEST_F(LockHooks, BlockedMouseSwallowsEverythingAndPostsNothing) {
    SetKeyboardHook(kWindow, false, false);
    fakehooks::calls.clear();
    MouseEvent e{{5, 6}, nullptr, 0, 0};
    for (uintptr_t m : {kWmLButtonDown, kWmRButtonDown, kWmMouseMove, kWmMouseWheel})
        EXPECT_EQ(MouseBlockProc(kHcAction, m, reinterpret_cast<intptr_t>(&e)), 1);
    EXPECT_TRUE(fakehooks::calls.empty());
}

TEST_F(LockHooks, ReportedMouseReportsPressesWheelAndMovesAndPassesEverythingOn) {
    SetKeyboardHook(kWindow, true, true);
    fakehooks::script.nextHookResult = 0;
    fakehooks::calls.clear();
    MouseEvent e{{-12, 700}, nullptr, 0, 0};
    auto l = reinterpret_cast<intptr_t>(&e);
    for (uintptr_t m : {kWmLButtonDown, kWmLButtonUp, kWmRButtonDown, kWmRButtonUp, kWmMButtonDown, kWmMouseWheel,
                        kWmMouseWheel, kWmMouseMove, kWmMouseWheel, 0x203u /* double click */})
        EXPECT_EQ(MouseReportProc(kHcAction, m, l), 0);
    EXPECT_EQ(Reports(), (Calls{"PostMessageA(0x4A2,0x8002,513,0)", "PostMessageA(0x4A2,0x8002,516,0)",
                                "PostMessageA(0x4A2,0x8002,0,0)", "PostMessageA(0x4A2,0x8002,1,0)",
                                "PostMessageA(0x4A2,0x8003," + std::to_string(static_cast<uintptr_t>(-12)) + ",700)",
                                "PostMessageA(0x4A2,0x8002,2,0)"}));
    EXPECT_EQ(fakehooks::CallsStartingWith("CallNextHookEx(0x13,0,").size(), 10u);
    EXPECT_EQ(wheelCount, 3u);
}

TEST_F(LockHooks, TheWheelCounterRunsOnAcrossLocksAndWraps) {
    wheelCount = 0xFFFFFFFFu;
    SetKeyboardHook(kWindow, true, true);
    RemoveKeyboardHook(false);
    SetKeyboardHook(kWindow, true, true);
    fakehooks::calls.clear();
    MouseEvent e{};
    MouseReportProc(kHcAction, kWmMouseWheel, reinterpret_cast<intptr_t>(&e));
    MouseReportProc(kHcAction, kWmMouseWheel, reinterpret_cast<intptr_t>(&e));
    EXPECT_EQ(Reports(), (Calls{"PostMessageA(0x4A2,0x8002,4294967295,0)", "PostMessageA(0x4A2,0x8002,0,0)"}));
}

#if !defined(_WIN32)
TEST_F(LockHooks, KeyboardHookHoldsOnlyWhileGrantedHooksStand) {
    EXPECT_FALSE(KeyboardHookHolds());
    SetKeyboardHook(kWindow, false, false);
    EXPECT_TRUE(KeyboardHookHolds());
    RemoveKeyboardHook(false);
    EXPECT_FALSE(KeyboardHookHolds());  // the handle is kept, the lock is not

    fakehooks::script.refusedTypes = {kWhKeyboardLL};
    SetKeyboardHook(kWindow, true, false);
    EXPECT_FALSE(KeyboardHookHolds());  // keyboard grab refused
    RemoveKeyboardHook(false);

    fakehooks::script.refusedTypes = {kWhMouse};
    SetKeyboardHook(kWindow, false, false);
    EXPECT_FALSE(KeyboardHookHolds());  // blocking mode without its pointer grab
    RemoveKeyboardHook(false);
    SetKeyboardHook(kWindow, true, true);
    EXPECT_TRUE(KeyboardHookHolds());   // a refused report hook loses reports only
    RemoveKeyboardHook(false);
}
#endif

}  // namespace
