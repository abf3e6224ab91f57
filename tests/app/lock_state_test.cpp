#include <cstdio>
#include <cstring>

#include "controller_fixture.h"
#include "lock_screen.h"
#include "window_port.h"
#include "options_dialog.h"

namespace {

using Calls = std::vector<std::string>;

class LockStateTest : public ControllerTest {
protected:
    LResult Send(uint32_t message, WParam wParam = 0, LParam lParam = 0) {
        return MainWindowProc(kWindow, message, wParam, lParam);
    }
    // One timer tick with the given idle time.
    void TickAfterIdle(uint32_t idleMs, uint32_t now = 1000000) {
        fake::script.tickCount = now;
        fake::script.lastInput = now - idleMs;
        Send(WM_TIMER, 1);
    }
};

// ---- the automatic lock ----

TEST_F(LockStateTest, IdleCheckLocksOnceTheIdleTimeIsExceededAcrossTheWrapWhateverTheTimerId) {
    options.autoLockMs = 60000;
    TickAfterIdle(60000);
    EXPECT_FALSE(locked) << "equal is not more";
    EXPECT_EQ(Only({"OpenMutexA", "GetLastInput", "CloseHandle", "SetKeyboardHook"}),
              (Calls{"OpenMutexA(0x1F0001,0,VeltrixLoaderChildProofMutex)", "GetLastInput"}));
    fake::script.lastInput = 0xFFFFF000u;  // 4096 ms before the wrap
    fake::script.tickCount = 60000 - 4096; // exactly 60000 later
    Send(WM_TIMER, 1);
    EXPECT_FALSE(locked);
    fake::script.tickCount += 1;
    EXPECT_EQ(Send(WM_TIMER, 77), 0);
    EXPECT_TRUE(locked);
    EXPECT_FALSE(keyboardOnly);
    EXPECT_TRUE(Called("SetKeyboardHook(1,1)"));
    EXPECT_TRUE(Called("ShowWindow(5)"));
    EXPECT_TRUE(fake::CallsStartingWith("DefWindowProcA").empty());
}

TEST_F(LockStateTest, NoAutomaticLockWhenSwitchedOffOrAnotherProgramHoldsItsMutex) {
    options.autoLockMs = 0;
    TickAfterIdle(0xFFFFFFF0u);
    EXPECT_FALSE(locked);
    EXPECT_TRUE(fake::CallsStartingWith("GetLastInput").empty());

    fake::calls.clear();
    options.autoLockMs = 60000;
    fake::script.openableMutexes = {"VeltrixLoaderChildProofMutex"};
    TickAfterIdle(3600000);
    EXPECT_FALSE(locked);
    EXPECT_EQ(fake::calls.back(), "CloseHandle(mutex)");
    EXPECT_TRUE(fake::CallsStartingWith("GetLastInput").empty());

    // The tray locks still work meanwhile.
    MainWindowProc(kWindow, WM_TRAY_NOTIFY, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(locked);
}

TEST_F(LockStateTest, AFullLockIgnoresTheIdleCheck) {
    options.autoLockMs = 60000;
    BeginFullLock(false);
    fake::calls.clear();
    TickAfterIdle(3600000);
    EXPECT_EQ(fake::calls, (Calls{"OpenMutexA(0x1F0001,0,VeltrixLoaderChildProofMutex)"}));
    EXPECT_TRUE(locked);
}

TEST_F(LockStateTest, AKeyboardOnlyLockIsReplacedByAFullLockWhenIdle) {
    options.autoLockMs = 60000;
    HandleTrayEvent(kWindow, 0);  // loads the menu
    BeginKeyboardLock();
    EXPECT_TRUE(fake::tray.checked[40015]);
    fake::calls.clear();
    TickAfterIdle(60001);
    EXPECT_EQ(Only({"SetKeyboardHook", "RemoveKeyboardHook", "CheckMenuItem", "ShowWindow"}),
              (Calls{"RemoveKeyboardHook(1)", "CheckMenuItem(40015,0)", "SetKeyboardHook(1,1)", "ShowWindow(5)"}));
    EXPECT_TRUE(locked);
    EXPECT_FALSE(keyboardOnly);
    EXPECT_FALSE(fake::tray.checked[40015]);
}

TEST_F(LockStateTest, AutomaticLockWithPicturesOffShowsTheBlackWindowAndBlocksTheMouse) {
    options.autoLockMs = 60000;
    options.showPictures = false;
    TickAfterIdle(120000);
    EXPECT_EQ(Only({"SetKeyboardHook", "ShowWindow", "CreateDialogParamA"}),
              (Calls{"SetKeyboardHook(0,0)", "ShowWindow(5)"}));
    EXPECT_EQ(hintWindow, nullptr);
}

// ---- the ways in from the tray ----

TEST_F(LockStateTest, TrayLockShowsPicturesTheHintOrNothing) {
    BeginFullLock(false);
    EXPECT_EQ(Only({"SetKeyboardHook", "ShowWindow", "CreateDialogParamA"}),
              (Calls{"SetKeyboardHook(1,1)", "ShowWindow(5)"}));

    SetUp();
    options.showPictures = false;
    BeginFullLock(false);
    EXPECT_EQ(Only({"SetKeyboardHook", "ShowWindow", "CreateDialogParamA", "SetDlgItemTextA"}),
              (Calls{"SetKeyboardHook(0,0)", "CreateDialogParamA(105)",
                     "SetDlgItemTextA(hint,1037,Bumblepad has locked your keyboard and mouse.\r\n"
                     "Type \"wren\" to unlock them.)"}));
    EXPECT_NE(hintWindow, nullptr);

    SetUp();
    options.showPictures = false;
    options.showUnlockHint = false;
    BeginFullLock(false);
    EXPECT_EQ(Only({"SetKeyboardHook", "ShowWindow", "CreateDialogParamA"}), (Calls{"SetKeyboardHook(0,0)"}));
    EXPECT_TRUE(locked);
    EXPECT_EQ(hintWindow, nullptr);
}

TEST_F(LockStateTest, TheHintNamesTheCurrentWordEvenAtFullLength) {
    options.showPictures = false;
    std::memcpy(options.unlockWord, "abcdefghijklmnopqrst", 20);  // no NUL in the field
    BeginFullLock(false);
    EXPECT_EQ(fake::dialog.texts[1037],
              "Bumblepad has locked your keyboard and mouse.\r\nType \"abcdefghijklmnopqrst\" to unlock them.");
}

TEST_F(LockStateTest, KeyboardLockAndItsEnd) {
    HandleTrayEvent(kWindow, 0);
    fake::calls.clear();
    BeginKeyboardLock();
    EXPECT_EQ(Only({"CheckMenuItem", "SetKeyboardHook", "ShowWindow"}),
              (Calls{"CheckMenuItem(40015,8)", "SetKeyboardHook(1,0)"}));
    EXPECT_TRUE(locked && keyboardOnly);
    fake::calls.clear();
    EndControllerLock();
    EXPECT_EQ(fake::calls, (Calls{"RemoveKeyboardHook(1)", "SystemParametersInfoA(0x33,24,flags 0x0,0)",
                                  "SystemParametersInfoA(0x37,28,flags 0x0,0)",
                                  "SystemParametersInfoA(0x3B,8,flags 0x0,0)",
                                  "SystemParametersInfoA(0x35,8,flags 0x0,0)", "CheckMenuItem(40015,0)"}));
    EXPECT_FALSE(locked || keyboardOnly);
}

TEST_F(LockStateTest, ALockThatDoesNotHoldIsUndoneAndReported) {
    fake::tray.lockHolds = false;
    HandleTrayEvent(kWindow, 0);
    fake::calls.clear();
    BeginFullLock(false);
    EXPECT_EQ(Only({"SetKeyboardHook", "RemoveKeyboardHook", "ShowWindow", "MessageBoxA"}),
              (Calls{"SetKeyboardHook(1,1)", "RemoveKeyboardHook(1)", std::string("MessageBoxA(") + kLockFailedText +
                                                                           ",Error,0x30)"}));
    EXPECT_FALSE(locked);

    fake::calls.clear();
    BeginKeyboardLock();
    EXPECT_EQ(Only({"SetKeyboardHook", "RemoveKeyboardHook", "CheckMenuItem", "MessageBoxA"}),
              (Calls{"CheckMenuItem(40015,8)", "SetKeyboardHook(1,0)", "RemoveKeyboardHook(1)",
                     "CheckMenuItem(40015,0)", std::string("MessageBoxA(") + kLockFailedText + ",Error,0x30)"}));
    EXPECT_FALSE(locked || keyboardOnly);
    EXPECT_FALSE(fake::tray.checked[40015]);


    // The automatic lock: no box, a note once; tried at every tick, and
    // taken once the keyboard is free, the note withdrawn.
    options.autoLockMs = 60000;
    fake::calls.clear();
    TickAfterIdle(60001);
    TickAfterIdle(60001);
    fake::tray.lockHolds = true;
    TickAfterIdle(60001);
    const std::string tip = "Shell_NotifyIconA(1,88,1,7,0x8001,104,Bumblepad";
    EXPECT_EQ(Only({"SetKeyboardHook", "MessageBoxA", "Log", "Shell_NotifyIconA"}),
              (Calls{"SetKeyboardHook(1,1)", std::string("Log(") + kLockFailedText + ")",
                     tip + ": the last automatic lock could not take hold)", "SetKeyboardHook(1,1)",
                     "SetKeyboardHook(1,1)", "Log(The automatic lock has taken hold.)", tip + ")"}));
    EXPECT_TRUE(locked && Called("ShowWindow(5)"));
}

TEST_F(LockStateTest, AWordThatCannotBeTypedStartsNoFullLock) {
    std::memcpy(options.unlockWord, "b\xE4r", 4);
    fake::lockScreen.keyScan['\xE4'] = -1;  // no key types it on this layout
    char text[320];
    std::snprintf(text, sizeof text, kWordLockRefusedText, '\xE4', "b\xE4r");
    BeginFullLock(false);
    options.autoLockMs = 60000;
    BeginKeyboardLock();  // ended by the tray too: it may start
    TickAfterIdle(60001);  // the automatic lock: no box, and the keyboard-only lock stays
    EXPECT_EQ(Only({"SetKeyboardHook", "RemoveKeyboardHook", "MessageBoxA", "Log"}),
              (Calls{std::string("MessageBoxA(") + text + ",Error,0x30)", "SetKeyboardHook(1,0)",
                     std::string("Log(") + text + ")"}));
    EXPECT_TRUE(locked && keyboardOnly);
    fake::lockScreen.keyScan['\xE4'] = 0xDE;  // a layout with a key for it
    TickAfterIdle(60001);
    EXPECT_TRUE(locked && !keyboardOnly);
}

TEST_F(LockStateTest, AWordJudgedOnceTheLockHasItsKeyboardUndoesTheLockItCannotEnd) {
    // A Wayland desktop before its first key: the layout comes with the
    // lock's keyboard. "@" needs AltGr after the first letter.
    std::memcpy(options.unlockWord, "w@", 3);
    fake::lockScreen.layoutKnown = false;
    fake::lockScreen.layoutKnownOnceHooked = true;
    fake::lockScreen.keyScan['@'] = 0x651;
    char text[320];
    std::snprintf(text, sizeof text, kWordLockRefusedText, '@', "w@");
    BeginFullLock(true);
    EXPECT_EQ(Only({"SetKeyboardHook", "RemoveKeyboardHook", "ShowWindow", "MessageBoxA", "Log"}),
              (Calls{"SetKeyboardHook(1,1)", "RemoveKeyboardHook(1)", std::string("Log(") + text + ")"}));
    EXPECT_FALSE(locked);
    // From the tray the parent is told in a box (the layout is learnt again:
    // it is known only while the lock has the keyboard); a word the layout
    // types locks.
    fake::calls.clear();
    BeginFullLock(false);
    EXPECT_EQ(Only({"SetKeyboardHook", "RemoveKeyboardHook", "MessageBoxA"}),
              (Calls{"SetKeyboardHook(1,1)", "RemoveKeyboardHook(1)",
                     std::string("MessageBoxA(") + text + ",Error,0x30)"}));
    EXPECT_FALSE(locked);
    fake::lockScreen.keyScan['@'] = 0x40;
    BeginFullLock(false);
    EXPECT_TRUE(locked);
}

TEST_F(LockStateTest, ALockWhoseHoldIsLostIsUndoneAndReported) {
    HandleTrayEvent(kWindow, 0);
    BeginFullLock(false);  // pictures on: the lock screen is up
    OnLockKey(kWindow, 'A');
    fake::calls.clear();
    EXPECT_EQ(MainWindowProc(kWindow, WM_HOOK_LOST, 0, 0), 0);
    EXPECT_FALSE(locked || keyboardOnly);
    EXPECT_FALSE(IsMainWindowVisible(kWindow));
    EXPECT_TRUE(keyHistory.empty());
    EXPECT_EQ(Only({"RemoveKeyboardHook", "ShowWindow", "MessageBoxA"}),
              (Calls{"RemoveKeyboardHook(1)", "ShowWindow(0)", std::string("MessageBoxA(") + kLockLostText + ",Error,0x30)"}));
    // A late report after the lock ended changes nothing.
    fake::calls.clear();
    MainWindowProc(kWindow, WM_HOOK_LOST, 0, 0);
    EXPECT_TRUE(fake::calls.empty());
}

// ---- the window procedure ----

TEST_F(LockStateTest, CreationRegistersTheTaskbarMessageWhichReAddsTheIcon) {
    EXPECT_EQ(Send(WM_CREATE), 0);
    EXPECT_EQ(taskbarCreatedMessage, 0xC0DEu);
    fake::calls.clear();
    Send(0xC0DE);
    EXPECT_EQ(fake::calls, (Calls{"Shell_NotifyIconA(0,88,1,7,0x8001,104,Bumblepad)", "DefWindowProcA(0xC0DE)"}));
}

TEST_F(LockStateTest, ClosePathKillsTheTimerCleansUpAndQuits) {
    EXPECT_EQ(Send(WM_CLOSE), 0);
    // The drive doors are released and the power policy put back in its
    // closing form (no policy passed to the scheme's re-activation).
    Calls expected = {"KillTimer(1)", "LoadMenuA(102)", "CheckMenuItem(40002,8)", "CheckMenuItem(40003,8)",
                      "LockAll(0,ABCDEFGHIJKLMNOPQRSTUVWXYZ)", "WriteGlobalPwrPolicy(saved)", "GetActivePwrScheme",
                      "SetActivePwrScheme(3,none,none)", "PostQuitMessage(0)"};
    EXPECT_EQ(Only({"KillTimer", "LoadMenuA", "CheckMenuItem", "LockAll", "PostQuitMessage", "DefWindowProcA",
                    "WriteGlobalPwrPolicy", "GetActivePwrScheme", "SetActivePwrScheme"}),
              expected);
    fake::calls.clear();
    EXPECT_EQ(Send(WM_DESTROY), 0);
    EXPECT_EQ(Only({"KillTimer", "LockAll", "PostQuitMessage", "DefWindowProcA"}),
              (Calls{"KillTimer(1)", "LockAll(0,ABCDEFGHIJKLMNOPQRSTUVWXYZ)", "PostQuitMessage(0)"}));
}

TEST_F(LockStateTest, EndOfSessionAnswersOneAndAFollowingCloseRepeatsTheCleanUp) {
    EXPECT_EQ(Send(WM_QUERYENDSESSION), 1);
    const std::initializer_list<const char*> kinds = {"KillTimer", "LockAll", "WriteGlobalPwrPolicy", "PostQuitMessage"};
    auto first = Only(kinds);
    EXPECT_EQ(first, (Calls{"KillTimer(1)", "LockAll(0,ABCDEFGHIJKLMNOPQRSTUVWXYZ)", "WriteGlobalPwrPolicy(saved)",
                            "PostQuitMessage(0)"}));
    fake::calls.clear();
    EXPECT_EQ(Send(WM_CLOSE), 0);
    EXPECT_EQ(Only(kinds), first) << "the same release and the same saved policy again";
    EXPECT_TRUE(options.lockDriveDoors && options.disablePowerButton) << "the wishes are saved as they were";
}

TEST_F(LockStateTest, TheSessionsEndSavesTheSettingsAndRemovesTheIconBeforeAnswering) {
    Send(WM_QUERYENDSESSION);
    fake::calls.clear();
    EXPECT_EQ(Send(WM_ENDSESSION, 0), 0);
    EXPECT_EQ(fake::calls, Calls{}) << "a cancelled end of session changes nothing";
    options.autoLockMs = 300000;
    EXPECT_EQ(Send(WM_ENDSESSION, 1), 0);
    EXPECT_EQ(Only({"Shell_NotifyIconA", "RegSetValueExA", "DefWindowProcA"}),
              (Calls{"Shell_NotifyIconA(2,88,1,7,0x8001,104,Bumblepad)", "RegSetValueExA(Options,REG_BINARY,60)"}));
    EXPECT_EQ(fake::script.values["Options"][32], 0xE0);
}

TEST_F(LockStateTest, ALockStillOnAtCloseIsLeftToTheProcessEnd) {
    BeginFullLock(false);
    fake::calls.clear();
    Send(WM_CLOSE);
    EXPECT_TRUE(fake::CallsStartingWith("RemoveKeyboardHook").empty());
    EXPECT_TRUE(locked);
}

TEST_F(LockStateTest, SuspendReleasesTheDoorsAlwaysAndResumeLocksThemIfSet) {
    options.lockDriveDoors = false;
    std::fill(std::begin(options.lockDrive), std::end(options.lockDrive), false);
    options.lockDrive[3] = true;
    Send(WM_POWERBROADCAST, 4);
    Send(WM_POWERBROADCAST, 7);
    Send(WM_POWERBROADCAST, 6);
    EXPECT_EQ(Only({"LockAll", "DefWindowProcA"}),
              (Calls{"LockAll(0,D)", "DefWindowProcA(0x218)", "DefWindowProcA(0x218)", "DefWindowProcA(0x218)"}));
    fake::calls.clear();
    options.lockDriveDoors = true;
    Send(WM_POWERBROADCAST, 7);
    Send(WM_POWERBROADCAST, 6);
    Send(WM_POWERBROADCAST, 10);  // any other event: nothing
    EXPECT_EQ(Only({"LockAll"}), (Calls{"LockAll(1,D)", "LockAll(1,D)"}));
    EXPECT_FALSE(locked);
}

TEST_F(LockStateTest, PaintReachesTheLockScreenOnlyWithACanvas) {
    // Without a canvas (no lock screen drawn yet) the platform paints the
    // black background alone.
    fake::tray.hasUpdateRect = true;
    fake::tray.updateRect[2] = 100;
    fake::tray.updateRect[3] = 50;
    Send(WM_PAINT);
    EXPECT_EQ(fake::calls, (Calls{"DefWindowProcA(0xF)"}));
}

TEST_F(LockStateTest, MouseMovesAreIgnoredWhileTheWindowIsHidden) {
    fake::script.windowVisible = false;
    EXPECT_EQ(Send(WM_HOOK_MOUSEMOVE, 10, 20), 0);
    EXPECT_EQ(Send(WM_HOOK_KEY, 0x41), 0);
    // The key still goes to the unlock-word watch (it looks the word's keys
    // up), but nothing is drawn for the move or the key.
    Calls seen;
    for (const auto& c : fake::calls)
        if (c.rfind("VkKeyScanA", 0) != 0) seen.push_back(c);
    EXPECT_EQ(seen, (Calls{"DefWindowProcA(0x8003)", "DefWindowProcA(0x8002)"}));
}

}  // namespace
