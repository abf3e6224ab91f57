#include "controller_fixture.h"
#include "resource_ids.h"

namespace {

using Calls = std::vector<std::string>;

class TrayTest : public ControllerTest {
protected:
    void RightClickChoosing(uint32_t command) {
        fake::tray.menuChoices.push_back(command);
        MainWindowProc(kWindow, WM_TRAY_NOTIFY, 1, WM_RBUTTONUP);
    }
    void DoubleClick() { MainWindowProc(kWindow, WM_TRAY_NOTIFY, 1, WM_LBUTTONDBLCLK); }
};

TEST_F(TrayTest, TheIconRecordIsTheSameForAddingAndRemoving) {
    AddTrayIcon(kWindow);
    RemoveTrayIcon(kWindow);
    EXPECT_EQ(fake::calls, (Calls{"Shell_NotifyIconA(0,88,1,7,0x8001,104,Bumblepad)",
                                  "Shell_NotifyIconA(2,88,1,7,0x8001,104,Bumblepad)"}));
}

TEST_F(TrayTest, TheMenuIsChosenFromTheVersionAndLoadedOnceWithItsCheckMarks) {
    struct Case {
        uint32_t platform, major, minor;
        int menu;
    } cases[] = {{2, 5, 1, 102}, {2, 5, 2, 102}, {2, 6, 1, 102}, {2, 6, 3, 102}, {2, 5, 0, 103},
                 {2, 6, 0, 103}, {2, 4, 10, 103}, {1, 4, 10, 103}, {0, 5, 1, 103}};
    for (const Case& c : cases) {
        SetUp();
        osVersionInfo.dwPlatformId = c.platform;
        osVersionInfo.dwMajorVersion = c.major;
        osVersionInfo.dwMinorVersion = c.minor;
        HandleTrayEvent(kWindow, 0x200);  // a mouse move over the icon: nothing else
        HandleTrayEvent(kWindow, 0x200);
        EXPECT_EQ(fake::calls, (Calls{"LoadMenuA(" + std::to_string(c.menu) + ")", "CheckMenuItem(40002,8)",
                                      "CheckMenuItem(40003,8)"}))
            << c.platform << " " << c.major << "." << c.minor;
    }
    SetUp();
    options.lockDriveDoors = false;
    options.disablePowerButton = false;
    HandleTrayEvent(kWindow, 0x200);
    EXPECT_EQ(fake::calls, (Calls{"LoadMenuA(102)"}));
}

TEST_F(TrayTest, TheOlderMenusLockKeyboardShowsTheCheckMarkWhileItsLockIsOn) {
    osVersionInfo.dwMajorVersion = 5;
    osVersionInfo.dwMinorVersion = 0;  // menu 103
    RightClickChoosing(40016);
    EXPECT_TRUE(locked && keyboardOnly);
    EXPECT_TRUE(fake::tray.checked[40016]);
    RightClickChoosing(40016);
    EXPECT_FALSE(locked);
    EXPECT_FALSE(fake::tray.checked[40016]);
}

TEST_F(TrayTest, AMenuThatFailsToLoadIsTriedAgainAtTheNextEvent) {
    fake::tray.menuLoadFails = true;
    RightClickChoosing(40009);
    EXPECT_EQ(fake::calls, (Calls{"LoadMenuA(102)"}));
    fake::tray.menuLoadFails = false;
    fake::calls.clear();
    RightClickChoosing(40009);
    EXPECT_EQ(Only({"LoadMenuA", "TrackPopupMenuEx", "PostMessageA"}),
              (Calls{"LoadMenuA(102)", "TrackPopupMenuEx(0x108)", "PostMessageA(0x10,0,0)"}));
}

TEST_F(TrayTest, AFullLockIgnoresTrayEvents) {
    options.lockDriveDoors = false;
    options.disablePowerButton = false;
    BeginFullLock(false);
    fake::calls.clear();
    RightClickChoosing(40009);
    DoubleClick();
    EXPECT_EQ(fake::calls, (Calls{"LoadMenuA(102)"}));
    EXPECT_TRUE(locked);
}

TEST_F(TrayTest, DoubleClickDuringAKeyboardLockEndsItAndStartsAFullLock) {
    RightClickChoosing(40015);
    EXPECT_TRUE(locked && keyboardOnly);
    fake::calls.clear();
    DoubleClick();
    EXPECT_EQ(Only({"RemoveKeyboardHook", "CheckMenuItem", "SetKeyboardHook", "ShowWindow"}),
              (Calls{"RemoveKeyboardHook(1)", "CheckMenuItem(40015,0)", "SetKeyboardHook(1,1)", "ShowWindow(5)"}));
    EXPECT_TRUE(locked);
    EXPECT_FALSE(keyboardOnly);
}

TEST_F(TrayTest, ADismissedMenuKeepsTheKeyboardLockAndLockKeyboardAgainEndsIt) {
    RightClickChoosing(40015);
    fake::calls.clear();
    RightClickChoosing(0);
    EXPECT_EQ(fake::calls, (Calls{"TrackPopupMenuEx(0x108)"}));
    EXPECT_TRUE(locked && keyboardOnly);
    RightClickChoosing(40015);
    EXPECT_FALSE(locked);
    EXPECT_FALSE(fake::tray.checked[40015]);
    EXPECT_EQ(fake::CallsStartingWith("RemoveKeyboardHook"), Calls{"RemoveKeyboardHook(1)"});
}

TEST_F(TrayTest, ExitAndOptionsDuringAKeyboardLockEndTheLockFirst) {
    RightClickChoosing(40015);
    fake::calls.clear();
    RightClickChoosing(40009);
    EXPECT_EQ(Only({"RemoveKeyboardHook", "PostMessageA"}), (Calls{"RemoveKeyboardHook(1)", "PostMessageA(0x10,0,0)"}));
    EXPECT_FALSE(locked);

    RightClickChoosing(40015);
    fake::calls.clear();
    RightClickChoosing(40013);
    EXPECT_EQ(Only({"RemoveKeyboardHook", "DialogBoxParamA"}), (Calls{"RemoveKeyboardHook(1)", "DialogBoxParamA(103)"}));
    EXPECT_FALSE(locked);
}

TEST_F(TrayTest, LockDriveDoorsTwiceReleasesThenLocksAgain) {
    std::fill(std::begin(options.lockDrive), std::end(options.lockDrive), false);
    options.lockDrive[4] = options.lockDrive[5] = true;
    HandleTrayEvent(kWindow, 0x200);
    fake::calls.clear();
    RightClickChoosing(40002);
    EXPECT_FALSE(options.lockDriveDoors);
    EXPECT_FALSE(fake::tray.checked[40002]);
    RightClickChoosing(40002);
    EXPECT_TRUE(options.lockDriveDoors);
    EXPECT_TRUE(fake::tray.checked[40002]);
    EXPECT_EQ(Only({"CheckMenuItem", "LockAll"}),
              (Calls{"CheckMenuItem(40002,0)", "LockAll(0,EF)", "CheckMenuItem(40002,8)", "LockAll(1,EF)"}));
}

TEST_F(TrayTest, DisablePowerButtonTogglesTheWishAndItsCheckMark) {
    const std::initializer_list<const char*> power = {"ReadGlobalPwrPolicy", "WriteGlobalPwrPolicy",
                                                      "GetActivePwrScheme", "SetActivePwrScheme"};
    RightClickChoosing(40003);
    EXPECT_FALSE(options.disablePowerButton);
    EXPECT_FALSE(fake::tray.checked[40003]);
    // Switched off from the menu: the menu form of the restore.
    EXPECT_EQ(Only(power), (Calls{"WriteGlobalPwrPolicy(saved)", "GetActivePwrScheme",
                                  "SetActivePwrScheme(3,saved,none)"}));
    fake::calls.clear();
    RightClickChoosing(40003);
    EXPECT_TRUE(options.disablePowerButton);
    EXPECT_TRUE(fake::tray.checked[40003]);
    EXPECT_EQ(Only(power), (Calls{"ReadGlobalPwrPolicy(192)", "GetActivePwrScheme", "WriteGlobalPwrPolicy(working)",
                                  "SetActivePwrScheme(3,none,none)"}));
}

TEST_F(TrayTest, APowerButtonTheSystemRefusesIsShownUncheckedAndReportedOnce) {
    fake::switches.powerWriteFails = true;
    DisablePowerButton();  // the start, with the wish set: refused, silently
    HandleTrayEvent(kWindow, 0);
    EXPECT_FALSE(fake::tray.checked[40003]);
    EXPECT_FALSE(Called("CheckMenuItem(40003,8)"));
    EXPECT_TRUE(fake::CallsStartingWith("MessageBoxA").empty());
    for (int i = 0; i < 2; ++i) RightClickChoosing(40003);  // asked for twice: tried twice, told once
    EXPECT_EQ(fake::CallsStartingWith("WriteGlobalPwrPolicy").size(), 3u);
    EXPECT_EQ(fake::CallsStartingWith("MessageBoxA"),
              (Calls{std::string("MessageBoxA(") + kPowerButtonRefusedText + ",Error,0x30)"}));
    EXPECT_FALSE(fake::tray.checked[40003]);
    EXPECT_TRUE(options.disablePowerButton) << "the wish is kept for the next start";
    fake::switches.powerWriteFails = false;
    RightClickChoosing(40003);  // now it can: checked, and the next choice switches it off
    EXPECT_TRUE(fake::tray.checked[40003]);
    RightClickChoosing(40003);
    EXPECT_FALSE(fake::tray.checked[40003] || options.disablePowerButton);
}

TEST_F(TrayTest, OldMenuOnNt60KeepsThePowerSwitchAtExitAndItsLockKeyboardActsLikeTheOther) {
    osVersionInfo.dwMajorVersion = 6;
    osVersionInfo.dwMinorVersion = 0;
    RightClickChoosing(40016);
    EXPECT_TRUE(fake::tray.checked.count(40003)) << "the check call is made; the item is simply absent";
    EXPECT_TRUE(locked && keyboardOnly);
    RightClickChoosing(40016);
    EXPECT_FALSE(locked);
    // The power button disabled at start is restored at closing all the same
    // (the closing form of the restore; the drive doors too).
    fake::calls.clear();
    MainWindowProc(kWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(Only({"LoadMenuA", "LockAll", "WriteGlobalPwrPolicy", "SetActivePwrScheme"}),
              (Calls{"LockAll(0,ABCDEFGHIJKLMNOPQRSTUVWXYZ)", "WriteGlobalPwrPolicy(saved)",
                     "SetActivePwrScheme(3,none,none)"}));
    EXPECT_TRUE(options.disablePowerButton);
}

TEST_F(TrayTest, ManagePicturesStartsTheMediaManagerOnlyWhenItIsThere) {
    RightClickChoosing(40014);
    EXPECT_TRUE(fake::CallsStartingWith("CreateProcessA").empty());
    fake::script.existingFiles = {".\\Trovebox.exe"};
    RightClickChoosing(40014);
    RightClickChoosing(40014);
    EXPECT_EQ(fake::CallsStartingWith("CreateProcessA"),
              (Calls{"CreateProcessA(.\\Trovebox.exe,(null))", "CreateProcessA(.\\Trovebox.exe,(null))"}));
}

TEST_F(TrayTest, OptionsReappliesTheDriveLockAndTheRepeatSwitchAfterTheDialog) {
    fake::dialog.userEdits = [] { fake::dialog.checks[1028] = false; };  // autorepeat allowed now
    RightClickChoosing(40013);
    EXPECT_EQ(Only({"DialogBoxParamA", "LockAll", "EndDialog", "RegSetValueExA", "KeyboardHookRepeat"}),
              (Calls{"DialogBoxParamA(103)", "LockAll(0,ABCDEFGHIJKLMNOPQRSTUVWXYZ)", "EndDialog(2)",
                     "RegSetValueExA(Options,REG_BINARY,60)", "LockAll(1,ABCDEFGHIJKLMNOPQRSTUVWXYZ)",
                     "KeyboardHookRepeat(1)"}));
    fake::calls.clear();
    options.lockDriveDoors = false;
    osVersionInfo.dwPlatformId = 1;
    RightClickChoosing(40013);
    EXPECT_EQ(Only({"DialogBoxParamA", "LockAll"}),
              (Calls{"DialogBoxParamA(106)", "LockAll(0,ABCDEFGHIJKLMNOPQRSTUVWXYZ)"}));
}

TEST_F(TrayTest, CommandsFromOutsideFollowTheTrayMenusRules) {
    // Nothing during a full lock, which ends only by its word.
    BeginFullLock(false);
    fake::calls.clear();
    for (uint32_t command : {40009u, 40010u, 40013u, 40014u, 40015u}) {
        EXPECT_STREQ(OutsideCommandRefusal(command), kOutsideCommandFullLockText) << command;
        EXPECT_FALSE(RunOutsideCommand(kWindow, command)) << command;
    }
    EXPECT_EQ(Only({"RemoveKeyboardHook", "PostMessageA", "DialogBoxParamA", "CreateProcessA", "SetKeyboardHook"}),
              Calls{});
    EXPECT_TRUE(locked && !keyboardOnly);

    // During a keyboard-only lock, "Options" ends it first; "Lock Keyboard" ends it.
    SetUp();
    EXPECT_TRUE(RunOutsideCommand(kWindow, 40015));
    EXPECT_TRUE(locked && keyboardOnly);
    fake::calls.clear();
    EXPECT_TRUE(RunOutsideCommand(kWindow, 40013));
    EXPECT_EQ(Only({"RemoveKeyboardHook", "DialogBoxParamA"}),
              (Calls{"RemoveKeyboardHook(1)", "DialogBoxParamA(103)"}));
    EXPECT_FALSE(locked);
    RunOutsideCommand(kWindow, 40015);
    EXPECT_TRUE(RunOutsideCommand(kWindow, 40015));
    EXPECT_FALSE(locked);
    EXPECT_FALSE(fake::tray.checked[40015]);

    // Nothing while the options dialog is open; only the five commands are taken.
    optionsDialogOpen = true;
    EXPECT_STREQ(OutsideCommandRefusal(40010), kOutsideCommandOptionsOpenText);
    EXPECT_FALSE(RunOutsideCommand(kWindow, 40010));
    optionsDialogOpen = false;
    for (uint32_t command : {0u, 40002u, 40003u, 40016u})
        EXPECT_FALSE(RunOutsideCommand(kWindow, command)) << command;
    EXPECT_TRUE(options.lockDriveDoors && options.disablePowerButton);
    EXPECT_TRUE(RunOutsideCommand(kWindow, 40010));
    EXPECT_TRUE(locked && !keyboardOnly);
}

TEST_F(TrayTest, OtherEventsDoNothing) {
    HandleTrayEvent(kWindow, 0x200);
    fake::calls.clear();
    for (LParam e : {0x200, 0x201, 0x202, 0x204, 0x206})
        MainWindowProc(kWindow, WM_TRAY_NOTIFY, 1, e);
    EXPECT_TRUE(fake::calls.empty());
}

}  // namespace
