#include <cstring>

#include "controller_fixture.h"
#include "dialog_port.h"
#include "options_dialog.h"

namespace {

using Calls = std::vector<std::string>;

class OptionsTest : public ControllerTest {
protected:
    // Opens the dialog from the tray; edits plays the user.
    void RunDialog(std::function<void()> edits = nullptr) {
        fake::dialog.userEdits = std::move(edits);
        fake::tray.menuChoices.push_back(40013);
        MainWindowProc(kWindow, WM_TRAY_NOTIFY, 1, WM_RBUTTONUP);
    }
    static OptionsBlock Stored() {
        OptionsBlock block;
        const auto& bytes = fake::script.values["Options"];
        EXPECT_EQ(bytes.size(), 60u);
        std::memcpy(&block, bytes.data(), sizeof block);
        return block;
    }
};

TEST_F(OptionsTest, OpeningShowsTheSettings) {
    std::fill(std::begin(options.lockDrive), std::end(options.lockDrive), false);
    options.lockDrive[0] = options.lockDrive[25] = true;
    options.autoLockMs = 5 * 60000 + 59999;  // whole minutes, rounded down
    options.disableCtrlAltDel = true;
    RunDialog();
    EXPECT_EQ(Only({"CheckDlgButton", "SetDlgItem"}),
              (Calls{"CheckDlgButton(1001,1)", "CheckDlgButton(1026,1)", "CheckDlgButton(1028,1)",
                     "CheckDlgButton(1031,1)", "CheckDlgButton(1029,1)", "CheckDlgButton(1030,1)",
                     "SetDlgItemInt(1035,5)", "SetDlgItemTextA(1036,wren)"}));
}

TEST_F(OptionsTest, ClosingStoresEveryControlEndsAndSaves) {
    RunDialog([] {
        fake::dialog.checks[1001] = false;  // A: released with the old selection, not locked again
        fake::dialog.checks[1028] = true;   // disable autorepeat
        fake::dialog.checks[1031] = false;
        fake::dialog.checks[1030] = false;
        fake::dialog.texts[1035] = "12";
        fake::dialog.texts[1036] = "Open Sesame";
    });
    EXPECT_FALSE(options.lockDrive[0]);
    EXPECT_TRUE(options.lockDrive[1]);
    EXPECT_FALSE(options.keyRepeat);
    EXPECT_FALSE(options.showUnlockHint);
    EXPECT_FALSE(options.showPictures);
    EXPECT_EQ(options.autoLockMs, 12u * 60000);
    EXPECT_STREQ(options.unlockWord, "Open Sesame");
    OptionsBlock stored = Stored();
    EXPECT_EQ(std::memcmp(&stored, &options, 60), 0);
    EXPECT_EQ(Only({"LockAll", "EndDialog", "RegSetValueExA", "KeyboardHookRepeat"}),
              (Calls{"LockAll(0,ABCDEFGHIJKLMNOPQRSTUVWXYZ)", "EndDialog(2)", "RegSetValueExA(Options,REG_BINARY,60)",
                     "LockAll(1,BCDEFGHIJKLMNOPQRSTUVWXYZ)", "KeyboardHookRepeat(0)"}));
}

TEST_F(OptionsTest, MinutesAreCappedAt999AndShownSoNextTime) {
    RunDialog([] { fake::dialog.texts[1035] = "1000"; });
    EXPECT_EQ(options.autoLockMs, 999u * 60000);
    fake::calls.clear();
    RunDialog();
    EXPECT_EQ(fake::CallsStartingWith("SetDlgItemInt"), Calls{"SetDlgItemInt(1035,999)"});
}

TEST_F(OptionsTest, AnEmptyOrUnreadableMinuteFieldSwitchesTheAutomaticLockOff) {
    for (const char* text : {"", "99999999999"}) {
        options.autoLockMs = 60000;
        RunDialog([text] { fake::dialog.texts[1035] = text; });
        EXPECT_EQ(options.autoLockMs, 0u) << text;
    }
}

TEST_F(OptionsTest, TheWordIsCutTo19CharactersAndMayBeEmpty) {
    RunDialog([] { fake::dialog.texts[1036] = "abcdefghijklmnopqrstuvwxy"; });  // 25
    EXPECT_STREQ(options.unlockWord, "abcdefghijklmnopqrs");
    EXPECT_EQ(Stored().unlockWord[19], '\0');
    RunDialog([] { fake::dialog.texts[1036] = ""; });
    EXPECT_STREQ(options.unlockWord, "");
}

TEST_F(OptionsTest, NoLockUnderTheOpenDialogAndNothingReappliedAfterALogOffEndedIt) {
    options.autoLockMs = 60000;
    fake::script.tickCount = 1000000;  // idle far longer than that
    RunDialog([] {
        MainWindowProc(kWindow, WM_TIMER, 1, 0);
        MainWindowProc(kWindow, WM_TRAY_NOTIFY, 1, WM_LBUTTONDBLCLK);
        MainWindowProc(kWindow, WM_TRAY_NOTIFY, 1, WM_RBUTTONUP);
    });
    EXPECT_FALSE(locked);
    EXPECT_EQ(Only({"SetKeyboardHook", "TrackPopupMenuEx", "DialogBoxParamA"}),
              (Calls{"TrackPopupMenuEx(0x108)", "DialogBoxParamA(103)"})) << "only the menu that opened it";
    MainWindowProc(kWindow, WM_TIMER, 1, 0);
    EXPECT_TRUE(locked) << "the idle check resumes once the dialog is closed";

    // A log-off while the dialog is open: the close path releases the doors,
    // the quit ends the dialog, and nothing locks them again.
    SetUp();
    fake::dialog.closes = false;
    RunDialog([] { MainWindowProc(kWindow, WM_QUERYENDSESSION, 0, 0); });
    EXPECT_EQ(Only({"LockAll", "KeyboardHookRepeat", "RegSetValueExA"}), Calls{"LockAll(0,ABCDEFGHIJKLMNOPQRSTUVWXYZ)"});
}

TEST_F(OptionsTest, TheOlderTemplateKeepsTheStoredWordAndThePictureSwitch) {
    osVersionInfo.dwPlatformId = 1;
    fake::dialog.absentItems = {1036};
    RunDialog([] { fake::dialog.texts[1035] = "3"; });
    EXPECT_EQ(fake::CallsStartingWith("DialogBoxParamA"), Calls{"DialogBoxParamA(106)"});
    EXPECT_STREQ(options.unlockWord, "wren");
    EXPECT_TRUE(options.showPictures);  // the hidden box keeps its opening state
    EXPECT_EQ(options.autoLockMs, 3u * 60000);
}

TEST_F(OptionsTest, TheHiddenCtrlAltDelBoxKeepsItsValue) {
    RunDialog();
    EXPECT_FALSE(options.disableCtrlAltDel);
    options.disableCtrlAltDel = true;
    RunDialog();
    EXPECT_TRUE(options.disableCtrlAltDel);
}

TEST_F(OptionsTest, OnlyCommandTwoClosesTheDialog) {
    HWND dialog = reinterpret_cast<HWND>(0xD1A);
    EXPECT_EQ(OptionsDialogProc(dialog, WM_COMMAND, 1, 0), 0);     // Enter: IDOK is not handled
    EXPECT_EQ(OptionsDialogProc(dialog, WM_COMMAND, 1035 | (0x300 << 16), 0), 0);  // an edit notification
    EXPECT_EQ(OptionsDialogProc(dialog, 0x0200, 0, 0), 0);
    EXPECT_TRUE(fake::calls.empty());
    EXPECT_EQ(OptionsDialogProc(dialog, WM_COMMAND, 2, 0), 1);  // "OK", Esc or the close box
    EXPECT_EQ(fake::dialog.ended, 2);
}

TEST_F(OptionsTest, CheckedAutorepeatBoxStoresNoRepeatAndSwitchesTheHookLibrary) {
    options.keyRepeat = true;
    RunDialog([] { fake::dialog.checks[1028] = true; });
    EXPECT_FALSE(options.keyRepeat);
    EXPECT_EQ(fake::CallsStartingWith("KeyboardHookRepeat"), Calls{"KeyboardHookRepeat(0)"});
    EXPECT_EQ(Stored().keyRepeat, false);
}

TEST(HintText, TwoLinesWithTheWordInQuotes) {
    char text[128];
    BuildHintText("wren", text, sizeof text);
    EXPECT_STREQ(text, "Bumblepad has locked your keyboard and mouse.\r\nType \"wren\" to unlock them.");
}

}  // namespace
