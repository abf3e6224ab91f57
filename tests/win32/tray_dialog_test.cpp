// The tray menu and dialog adapters against the real API (Wine), on the
// templates built into Bumblepad.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dialog_port.h"
#include "resource_ids.h"
#include "tray_port.h"

namespace {

std::string ProgramPath() {
    const char* bin = std::getenv("BUMBLEPAD_BIN");
    std::string folder;
    if (bin && *bin) {
        folder = bin;
    } else {
        char path[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        folder = path;
        folder = folder.substr(0, folder.find_last_of("\\/"));
    }
    return folder + "\\Bumblepad.exe";
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << ProgramPath();
        // Wine without a display makes no windows at all; the menus load
        // all the same.
        HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        canMakeWindows = probe != nullptr;
        if (probe) DestroyWindow(probe);
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    HMODULE module = nullptr;
    bool canMakeWindows = false;
};

std::vector<std::string> Items(HMENU menu) {
    std::vector<std::string> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        UINT id = GetMenuItemID(menu, i);
        out.push_back(text[0] ? std::string(text) + "=" + std::to_string(id) : "-");
    }
    return out;
}

TEST_F(Resources, BothTrayMenusLoadWithTheirItemsInOrderAndCheckByCommand) {
    auto* full = static_cast<HMENU>(LoadPopupMenu(module, kMenuTrayFull));
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(Items(full), (std::vector<std::string>{"Manage Pictures/Sounds=40014", "Options=40013", "-",
                                                     "Disable Power Button=40003", "Lock Drive Doors=40002",
                                                     "Lock Keyboard=40015", "Lock Keyboard/Mouse=40010", "-",
                                                     "Exit=40009"}));
    auto* old = static_cast<HMENU>(LoadPopupMenu(module, kMenuTrayOld));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(Items(old), (std::vector<std::string>{"Manage Pictures/Sounds=40014", "Options=40013", "-",
                                                    "Lock Drive Doors=40002", "Lock Keyboard=40016",
                                                    "Lock Keyboard/Mouse=40010", "-", "Exit=40009"}));
    CheckMenuEntry(full, kCmdLockDriveDoors, kMfChecked);
    EXPECT_EQ(GetMenuState(full, kCmdLockDriveDoors, MF_BYCOMMAND) & MF_CHECKED, UINT(MF_CHECKED));
    CheckMenuEntry(full, kCmdLockDriveDoors, kMfUnchecked);
    EXPECT_EQ(GetMenuState(full, kCmdLockDriveDoors, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(LoadPopupMenu(module, 999), nullptr);
}

TEST_F(Resources, OptionsItemsReadAndWriteAsTheDialogExpects) {
    if (!canMakeWindows) GTEST_SKIP() << "no display: run under scripts/with-desktop.sh";
    HWND dialog = CreateModelessDialog(module, kDialogOptions, nullptr);
    ASSERT_NE(dialog, nullptr);
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Bumblepad Options");
    EXPECT_EQ(GetDlgItem(dialog, IDOK), nullptr) << "no control has the OK id";
    EXPECT_NE(GetDlgItem(dialog, IDCANCEL), nullptr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, kItemCtrlAltDel)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, kItemCtrlAltDel)));

    CheckDialogButton(dialog, kItemFirstDrive + 25, true);
    EXPECT_TRUE(IsDialogButtonChecked(dialog, kItemFirstDrive + 25));
    EXPECT_FALSE(IsDialogButtonChecked(dialog, kItemFirstDrive));

    SetDialogItemUInt(dialog, kItemIdleMinutes, 1000);
    EXPECT_EQ(GetDialogItemUInt(dialog, kItemIdleMinutes), 1000u);
    SetDialogItemText(dialog, kItemIdleMinutes, "");
    EXPECT_EQ(GetDialogItemUInt(dialog, kItemIdleMinutes), 0u);
    SetDialogItemText(dialog, kItemIdleMinutes, "99999999999");
    EXPECT_EQ(GetDialogItemUInt(dialog, kItemIdleMinutes), 0u) << "too large for 32 bits";

    SetDialogItemText(dialog, kItemUnlockWord, "abcdefghijklmnopqrstuvwxy");
    char word[20];
    EXPECT_TRUE(GetDialogItemText(dialog, kItemUnlockWord, word, sizeof word));
    EXPECT_STREQ(word, "abcdefghijklmnopqrs");
    DestroyWindow(dialog);

    HWND older = CreateModelessDialog(module, kDialogOptionsOld, nullptr);
    ASSERT_NE(older, nullptr);
    char kept[20] = "wren";
    EXPECT_FALSE(GetDialogItemText(older, kItemUnlockWord, kept, sizeof kept));
    EXPECT_STREQ(kept, "wren");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(older, kItemShowPictures)));
    DestroyWindow(older);
}

TEST_F(Resources, TheHintWindowIsVisibleTopMostAndHoldsItsText) {
    if (!canMakeWindows) GTEST_SKIP() << "no display: run under scripts/with-desktop.sh";
    HWND hint = CreateModelessDialog(module, kDialogUnlockHint, nullptr);
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(IsWindowVisible(hint));
    EXPECT_TRUE(GetWindowLongA(hint, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(GetWindowLongA(hint, GWL_STYLE) & WS_CAPTION & ~WS_BORDER);
    SetDialogItemText(hint, kItemHintText, "line one\r\nline two");
    char text[64] = {};
    GetDlgItemTextA(hint, kItemHintText, text, sizeof text);
    EXPECT_STREQ(text, "line one\r\nline two");
    EXPECT_EQ(SendDlgItemMessageA(hint, kItemHintText, EM_GETLINECOUNT, 0, 0), 2);
    DestroyWindow(hint);
}

}  // namespace
