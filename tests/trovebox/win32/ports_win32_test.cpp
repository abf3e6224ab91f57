// The media manager's Windows ports against the real API (under Wine): the
// list boxes and the import window of the program's own dialog resources,
// and the file operations.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "file_port.h"
#include "import_window_port.h"
#include "list_box_port.h"
#include "resource.h"

namespace fs = std::filesystem;

namespace {

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Windows can be made at all (under Wine only with an X display).
bool CanMakeWindows() {
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    if (probe) DestroyWindow(probe);
    return probe != nullptr;
}
#define REQUIRE_WINDOWS() \
    if (!CanMakeWindows()) GTEST_SKIP() << "no display to make windows on (run under scripts/with-desktop.sh)"

class MainDialogResource : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_WINDOWS();
        InitCommonControls();
        window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MEDIA_DIALOG), nullptr,
                                    QuietDialog, 0);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
    }
    LONG Style(int id) { return GetWindowLongA(GetDlgItem(window, id), GWL_STYLE); }
    HWND window = nullptr;
};

}  // namespace

TEST_F(MainDialogResource, ListsSortWithoutCaseAndKeepACurrentItemApartFromTheSelection) {
    // (The platform keeps WS_BORDER and WS_VSCROLL to itself once created.)
    const LONG styles = LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | LBS_EXTENDEDSEL | WS_TABSTOP;
    EXPECT_EQ(Style(IDC_SOUND_LIST) & styles, styles);
    EXPECT_EQ(Style(IDC_PICTURE_LIST) & (styles | LBS_HASSTRINGS), styles | LBS_HASSTRINGS);
    DialogHandle dialog = window;
    for (const char* name : {"moo.wav", "Bark.wav", "apple.wav", "Zebra.wav"})
        ListAddString(dialog, IDC_SOUND_LIST, name);
    EXPECT_EQ(ListGetText(dialog, IDC_SOUND_LIST, 0), "apple.wav");
    EXPECT_EQ(ListGetText(dialog, IDC_SOUND_LIST, 1), "Bark.wav");
    EXPECT_EQ(ListGetText(dialog, IDC_SOUND_LIST, 2), "moo.wav");
    EXPECT_EQ(ListGetText(dialog, IDC_SOUND_LIST, 4), "");
    EXPECT_EQ(ListGetSelCount(dialog, IDC_SOUND_LIST), 0);

    HWND list = GetDlgItem(window, IDC_SOUND_LIST);
    SendMessageA(list, LB_SETSEL, TRUE, 0);
    SendMessageA(list, LB_SETSEL, TRUE, 3);
    SendMessageA(list, LB_SETCARETINDEX, 1, FALSE);  // current, not selected
    EXPECT_EQ(ListGetSelCount(dialog, IDC_SOUND_LIST), 2);
    EXPECT_EQ(ListGetCurSel(dialog, IDC_SOUND_LIST), 1);
    int items[2] = {-1, -1};
    EXPECT_EQ(ListGetSelItems(dialog, IDC_SOUND_LIST, 1, items), 1);
    EXPECT_EQ(items[0], 0);
    ListDeleteString(dialog, IDC_SOUND_LIST, 0);
    EXPECT_EQ(ListGetSelItems(dialog, IDC_SOUND_LIST, 2, items), 1);
    EXPECT_EQ(ListGetText(dialog, IDC_SOUND_LIST, items[0]), "Zebra.wav");
}

TEST(ImportWindowResource, ShowsTheFileAndStepsTheBarByTen) {
    REQUIRE_WINDOWS();
    InitCommonControls();
    DialogHandle window = CreateImportWindow(nullptr);
    ASSERT_NE(window, nullptr);
    HWND dialog = static_cast<HWND>(window);
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(GetWindowLongA(dialog, GWL_STYLE) & WS_SYSMENU, 0);
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    EXPECT_STREQ(caption, "Import progress");
    SetImportItemText(window, IDC_IMPORT_FILE, "C:\\Kids\\cat.bmp");
    char text[64] = {};
    GetDlgItemTextA(dialog, IDC_IMPORT_FILE, text, sizeof text);
    EXPECT_STREQ(text, "C:\\Kids\\cat.bmp");
    SendImportItemMessage(window, IDC_IMPORT_PROGRESS, kPbmSetRange32, 0, 30);
    SendImportItemMessage(window, IDC_IMPORT_PROGRESS, kPbmStepIt, 0, 0);
    SendImportItemMessage(window, IDC_IMPORT_PROGRESS, kPbmStepIt, 0, 0);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_IMPORT_PROGRESS, PBM_GETPOS, 0, 0), 20);
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_IMPORT_PROGRESS, PBM_GETRANGE, FALSE, 0), 30);
    DestroyImportWindow(window);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST(FilePort, ListsCopiesReplacesAndDeletes) {
    fs::path root = fs::temp_directory_path() / "trovebox-ports";
    fs::remove_all(root);
    fs::create_directories(root / "sounds" / "folder");
    std::ofstream(root / "sounds" / "a.wav") << "a";
    std::ofstream(root / "sounds" / "B.WAV") << "b";
    std::ofstream(root / "sounds" / "c.mp3") << "c";

    std::set<std::string> names;
    std::string name;
    FindHandle find = FindFirstEntry((root / "sounds" / "*").string(), name);
    ASSERT_NE(find, nullptr);
    do names.insert(name); while (FindNextEntry(find, name));
    FindEnd(find);
    EXPECT_EQ(names, (std::set<std::string>{".", "..", "a.wav", "B.WAV", "c.mp3", "folder"}));
    EXPECT_EQ(FindFirstEntry((root / "missing" / "*").string(), name), nullptr);

    const std::string a = (root / "sounds" / "a.wav").string(), copy = (root / "copy.wav").string();
    EXPECT_TRUE(CopyOneFile(a, copy, false));
    EXPECT_FALSE(CopyOneFile(a, copy, true));
    EXPECT_TRUE(ReplaceWithFile((root / "sounds" / "B.WAV").string(), copy));
    std::ifstream replaced(copy);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(replaced), {}), "b");
    replaced.close();
    EXPECT_TRUE(DeleteOneFile(copy));
    EXPECT_FALSE(DeleteOneFile(copy));
    EXPECT_EQ(PathSeparator(), '\\');

    char small[4];
    uint32_t needed = GetCurrentDir(sizeof small, small);
    std::string buffer(needed, '\0');
    EXPECT_EQ(GetCurrentDir(needed, buffer.data()) + 1, needed);
    fs::remove_all(root);
}
