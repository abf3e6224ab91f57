// The tray menu and dialog adapters against the real API (Wine), on the
// templates built into Bumblepad.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "dialog_port.h"
#include "lock_state.h"
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

// The pixels of a client rectangle of `window` as the screen shows them,
// or as `paint` draws them into a memory context of the same size.
std::vector<COLORREF> Capture(HWND window, const RECT& r) {
    POINT origin{r.left, r.top};
    ClientToScreen(window, &origin);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right - r.left, r.bottom - r.top);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right - r.left, r.bottom - r.top, screen, origin.x, origin.y, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < r.bottom - r.top; ++y)
        for (int x = 0; x < r.right - r.left; ++x) pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Text pixels are those that differ from the first pixel (the background).
// Returns how many of the reference's text pixels the shot shows as text
// within two pixels along the row (the control spaces the letters its own
// way), and how many of the shot's text pixels have no reference text pixel
// that near.
std::pair<int, int> Overlap(const std::vector<COLORREF>& reference, const std::vector<COLORREF>& shot, int width) {
    auto ink = [width](const std::vector<COLORREF>& p, int x, int y) {
        return x >= 0 && x < width && p[y * width + x] != p[0];
    };
    auto inkNear = [&](const std::vector<COLORREF>& p, int x, int y) {
        for (int d = -2; d <= 2; ++d)
            if (ink(p, x + d, y)) return true;
        return false;
    };
    int matched = 0, stray = 0;
    const int height = static_cast<int>(reference.size()) / width;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (ink(reference, x, y) && inkNear(shot, x, y)) ++matched;
            if (ink(shot, x, y) && !inkNear(reference, x, y)) ++stray;
        }
    return {matched, stray};
}

TEST_F(Resources, TheHintShowsBothLinesAndTheWord) {
    if (!canMakeWindows) GTEST_SKIP() << "no display: run under scripts/with-desktop.sh";
    HWND hint = CreateModelessDialog(module, kDialogUnlockHint, nullptr);
    ASSERT_NE(hint, nullptr);
    char text[128];
    BuildHintText("wren", text, sizeof text);
    SetDialogItemText(hint, kItemHintText, text);
    HWND edit = GetDlgItem(hint, kItemHintText);

    // The text area holds two lines of the control's font.
    HDC dc = GetDC(edit);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    RECT client{}, format{};
    GetClientRect(edit, &client);
    SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    const int line = metrics.tmHeight;
    EXPECT_GE(client.bottom - client.top, 2 * line) << "client height for lines of " << line;
    EXPECT_GE(format.bottom - format.top, 2 * line) << "text area for lines of " << line;

    // The second line as the control's font draws it where that line belongs ...
    RECT second{format.left, format.top + line, format.right, format.top + 2 * line};
    const int width = second.right - second.left;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, line);
    HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
    SelectObject(memory, reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0)));
    PatBlt(memory, 0, 0, width, line, WHITENESS);
    SetBkMode(memory, TRANSPARENT);
    const char* secondLine = std::strchr(text, '\n') + 1;
    TextOutA(memory, 0, 0, secondLine, static_cast<int>(std::strlen(secondLine)));
    std::vector<COLORREF> reference;
    for (int y = 0; y < line; ++y)
        for (int x = 0; x < width; ++x) reference.push_back(GetPixel(memory, x, y));
    SelectObject(memory, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(memory);
    SelectObject(dc, oldFont);
    ReleaseDC(edit, dc);
    int referenceInk = 0;
    for (COLORREF c : reference) referenceInk += c != reference[0];
    ASSERT_GT(referenceInk, 50);

    // ... is what the screen shows there once the window is drawn.
    std::pair<int, int> overlap{0, 0};
    for (DWORD end = GetTickCount() + 10000; GetTickCount() < end;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        overlap = Overlap(reference, Capture(edit, second), width);
        if (overlap.first >= referenceInk * 9 / 10) break;
        Sleep(50);
    }
    EXPECT_GE(overlap.first, referenceInk * 9 / 10) << "of " << referenceInk << " text pixels of the second line";
    EXPECT_LE(overlap.second, referenceInk / 10) << "no other text in the second line's place";
    DestroyWindow(hint);
}

}  // namespace
