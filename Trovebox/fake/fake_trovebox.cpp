#include "fake_trovebox.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "dialog_window_port.h"
#include "file_chooser_port.h"
#include "file_port.h"
#include "import_window_port.h"
#include "list_box_port.h"
#include "message_box_port.h"
#include "sound_port.h"

namespace fs = std::filesystem;

namespace trovefake {

std::vector<std::string> calls;
Script script;

void Reset() {
    calls.clear();
    script = Script();
}

std::vector<std::string> CallsStartingWith(const std::string& prefix) {
    std::vector<std::string> result;
    for (const std::string& call : calls)
        if (call.compare(0, prefix.size(), prefix) == 0) result.push_back(call);
    return result;
}

std::vector<std::string> Texts(int id) {
    std::vector<std::string> texts;
    for (const Item& item : script.lists[id].items) texts.push_back(item.text);
    return texts;
}

void SelectTexts(int id, const std::vector<std::string>& texts) {
    for (Item& item : script.lists[id].items) item.selected = false;
    for (const std::string& text : texts)
        for (Item& item : script.lists[id].items)
            if (item.text == text && !item.selected) { item.selected = true; break; }
}

void SetCurrent(int id, const std::string& text) {
    List& list = script.lists[id];
    for (size_t i = 0; i < list.items.size(); ++i)
        if (list.items[i].text == text) { list.caret = static_cast<int>(i); return; }
}

}  // namespace trovefake

using trovefake::calls;
using trovefake::script;

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string Hex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%lx", value);
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Log(int id, const char* message) {
    return "SendMessageA(" + std::to_string(id) + "," + message;
}

struct Listing {
    std::vector<std::string> entries;
    size_t next = 0;
};

void* const kDialogDC = reinterpret_cast<void*>(0xDC);
void* const kPaintDC = reinterpret_cast<void*>(0xBE);
void* const kImportWindow = reinterpret_cast<void*>(0x129);

}  // namespace

// ---- List boxes -------------------------------------------------------------

int ListAddString(DialogHandle, int id, const std::string& text) {
    calls.push_back(Log(id, "LB_ADDSTRING,0,") + Quoted(text) + ")");
    trovefake::List& list = script.lists[id];
    auto at = std::upper_bound(list.items.begin(), list.items.end(), Lower(text),
                               [](const std::string& key, const trovefake::Item& item) {
                                   return key < Lower(item.text);
                               });
    int index = static_cast<int>(at - list.items.begin());
    list.items.insert(at, trovefake::Item{text, false});
    if (list.caret >= index) ++list.caret;
    return index;
}

int ListGetSelCount(DialogHandle, int id) {
    calls.push_back(Log(id, "LB_GETSELCOUNT)"));
    const auto& items = script.lists[id].items;
    return static_cast<int>(
        std::count_if(items.begin(), items.end(), [](const trovefake::Item& i) { return i.selected; }));
}

int ListGetCurSel(DialogHandle, int id) {
    calls.push_back(Log(id, "LB_GETCURSEL)"));
    return script.lists[id].caret;
}

std::string ListGetText(DialogHandle, int id, int index) {
    calls.push_back(Log(id, "LB_GETTEXT,") + std::to_string(index) + ")");
    const auto& items = script.lists[id].items;
    return index >= 0 && index < static_cast<int>(items.size()) ? items[index].text : "";
}

int ListGetSelItems(DialogHandle, int id, int maxItems, int* out) {
    calls.push_back(Log(id, "LB_GETSELITEMS,") + std::to_string(maxItems) + ")");
    const auto& items = script.lists[id].items;
    int written = 0;
    for (size_t i = 0; i < items.size() && written < maxItems; ++i)
        if (items[i].selected) out[written++] = static_cast<int>(i);
    return written;
}

void ListDeleteString(DialogHandle, int id, int index) {
    calls.push_back(Log(id, "LB_DELETESTRING,") + std::to_string(index) + ")");
    trovefake::List& list = script.lists[id];
    if (index < 0 || index >= static_cast<int>(list.items.size())) return;
    list.items.erase(list.items.begin() + index);
    if (list.caret > index) --list.caret;
}

// ---- Files -----------------------------------------------------------------

char PathSeparator() { return script.separator; }

uint32_t GetCurrentDir(uint32_t size, char* buffer) {
    calls.push_back("GetCurrentDirectoryA(" + std::to_string(size) + ")");
    const std::string& dir = script.currentDirectory;
    if (dir.size() + 1 > size) return static_cast<uint32_t>(dir.size() + 1);
    std::memcpy(buffer, dir.c_str(), dir.size() + 1);
    return static_cast<uint32_t>(dir.size());
}

FindHandle FindFirstEntry(const std::string& pattern, std::string& name) {
    calls.push_back("FindFirstFileA(" + Quoted(pattern) + ")");
    auto found = script.listings.find(pattern);
    if (found == script.listings.end() && pattern.find_first_of("*?") == std::string::npos) {
        std::error_code error;
        if (!fs::exists(pattern, error)) return nullptr;
        return new Listing{{fs::path(pattern).filename().string()}, 1};
    }
    if (found == script.listings.end() || found->second.empty()) return nullptr;
    auto* listing = new Listing{found->second, 1};
    name = listing->entries[0];
    return listing;
}

bool FindNextEntry(FindHandle find, std::string& name) {
    calls.push_back("FindNextFileA");
    auto* listing = static_cast<Listing*>(find);
    if (listing->next >= listing->entries.size()) return false;
    name = listing->entries[listing->next++];
    return true;
}

void FindEnd(FindHandle find) {
    calls.push_back("FindClose");
    delete static_cast<Listing*>(find);
}

bool CopyOneFile(const std::string& source, const std::string& destination, bool failIfExists) {
    calls.push_back("CopyFileA(" + Quoted(source) + "," + Quoted(destination) + "," +
                    std::to_string(failIfExists) + ")");
    std::error_code error;
    if (script.lockedPaths.count(destination)) return false;
    if (fs::exists(destination, error) && fs::equivalent(source, destination, error)) return false;
    // CopyFileA replaces a file of that name; the runtime's copy_file does
    // not always manage to (MinGW's), so the old one goes first.
    if (!failIfExists) fs::remove(destination, error);
    return fs::copy_file(source, destination,
                         failIfExists ? fs::copy_options::none : fs::copy_options::overwrite_existing,
                         error);
}

bool DeleteOneFile(const std::string& path) {
    calls.push_back("DeleteFileA(" + Quoted(path) + ")");
    if (script.lockedPaths.count(path)) return false;
    std::error_code error;
    return fs::remove(path, error);
}

bool ReplaceWithFile(const std::string& source, const std::string& destination) {
    calls.push_back("MoveFileExA(" + Quoted(source) + "," + Quoted(destination) +
                    ",MOVEFILE_REPLACE_EXISTING)");
    if (script.lockedPaths.count(destination)) return false;
    std::error_code error;
    fs::rename(source, destination, error);
    return !error;
}

// ---- Open-file dialog ------------------------------------------------------

bool RunOpenFileDialog(DialogHandle, const char* filter, char* buffer, uint32_t capacity,
                       uint32_t flags) {
    std::string shownFilter;
    for (const char* p = filter; *p || p[1]; ++p) shownFilter += *p ? *p : '|';
    shownFilter += "||";
    calls.push_back("GetOpenFileNameA(" + Quoted(shownFilter) + "," + Quoted(buffer) + "," +
                    std::to_string(capacity) + "," + Hex(flags) + ")");
    // The initial file name is followed by zeroes only.
    for (uint32_t i = static_cast<uint32_t>(std::strlen(buffer)); i < capacity; ++i)
        if (buffer[i] != '\0') {
            calls.push_back("(buffer not cleared after its first string)");
            break;
        }
    if (script.chosen.empty()) return false;
    std::string chosen = script.chosen.front();
    script.chosen.erase(script.chosen.begin());
    if (chosen.size() + 2 > capacity) return false;
    std::memset(buffer, 0, capacity);
    for (size_t i = 0; i < chosen.size(); ++i) buffer[i] = chosen[i] == '|' ? '\0' : chosen[i];
    return true;
}

// ---- Import progress -------------------------------------------------------

DialogHandle CreateImportWindow(DialogHandle) {
    calls.push_back("CreateDialogParamA(129)");
    return script.importWindowFails ? nullptr : kImportWindow;
}

void SetImportItemText(DialogHandle, int id, const std::string& text) {
    calls.push_back("SetDlgItemTextA(" + std::to_string(id) + "," + Quoted(text) + ")");
}

void SendImportItemMessage(DialogHandle, int id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    calls.push_back("SendMessageA(" + std::to_string(id) + "," + Hex(message) + "," +
                    std::to_string(wParam) + "," + std::to_string(lParam) + ")");
}

void DestroyImportWindow(DialogHandle) { calls.push_back("DestroyWindow(129)"); }

// ---- Message box and sound -------------------------------------------------

void ShowMessageBox(DialogHandle, const std::string& text, const std::string& caption, uint32_t flags) {
    calls.push_back("MessageBoxA(" + Quoted(text) + "," + Quoted(caption) + "," + Hex(flags) + ")");
}

void PlaySoundFile(const std::string& path, uint32_t flags) {
    calls.push_back("PlaySoundA(" + Quoted(path) + ",0," + Hex(flags) + ")");
}

// ---- The main dialog's window ----------------------------------------------

void InitControls() { calls.push_back("InitCommonControls"); }

IconHandle LoadAppIcon() {
    calls.push_back("LoadIconA(128)");
    return reinterpret_cast<IconHandle>(0x128);
}

void SetDialogIcon(DialogHandle, int which, IconHandle) {
    calls.push_back("SendMessageA(WM_SETICON," + std::to_string(which) + ")");
}

bool IsDialogIconic(DialogHandle) {
    calls.push_back("IsIconic");
    return script.iconic;
}

PaintContext BeginDialogPaint(DialogHandle) {
    calls.push_back("BeginPaint");
    return kPaintDC;
}

void EndDialogPaint(DialogHandle) { calls.push_back("EndPaint"); }

void DefaultDialogPaint(DialogHandle) { calls.push_back("DefaultPaint"); }

void EraseIconBackground(DialogHandle, PaintContext dc) {
    calls.push_back(std::string("SendMessageA(WM_ICONERASEBKGND,") +
                    (dc == kPaintDC ? "paintDC" : "?") + ")");
}

void GetClientSize(DialogHandle, int& width, int& height) {
    calls.push_back("GetClientRect");
    width = script.clientWidth;
    height = script.clientHeight;
}

int SystemMetric(int index) {
    calls.push_back("GetSystemMetrics(" + std::to_string(index) + ")");
    return 32;
}

void DrawIconAt(PaintContext dc, int x, int y, IconHandle icon) {
    calls.push_back(std::string("DrawIcon(") + (dc == kPaintDC ? "paintDC" : "?") + "," +
                    std::to_string(x) + "," + std::to_string(y) + "," +
                    (icon == reinterpret_cast<IconHandle>(0x128) ? "appIcon" : "?") + ")");
}

PaintContext GetDialogDC(DialogHandle) {
    calls.push_back("GetDC");
    return kDialogDC;
}

void ReleaseDialogDC(DialogHandle, PaintContext dc) {
    calls.push_back(std::string("ReleaseDC(") + (dc == kDialogDC ? "dc" : "?") + ")");
}

void SetStretchMode(PaintContext dc, int mode) {
    calls.push_back(std::string("SetStretchBltMode(") + (dc == kDialogDC ? "dc" : "?") + "," +
                    std::to_string(mode) + ")");
}

void StretchDib(PaintContext dc, int x, int y, int width, int height, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, const void* bits, const void* info,
                uint32_t usage, uint32_t rop) {
    calls.push_back(std::string("StretchDIBits(") + (dc == kDialogDC ? "dc" : "?") + "," +
                    std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(width) + "," +
                    std::to_string(height) + "," + std::to_string(sourceX) + "," +
                    std::to_string(sourceY) + "," + std::to_string(sourceWidth) + "," +
                    std::to_string(sourceHeight) + "," + (bits ? "bits" : "null") + "," +
                    (info ? "info" : "null") + "," + std::to_string(usage) + "," + Hex(rop) + ")");
}

void InvalidateDialogRect(DialogHandle, int left, int top, int right, int bottom, bool erase) {
    calls.push_back("InvalidateRect(" + std::to_string(left) + "," + std::to_string(top) + "," +
                    std::to_string(right) + "," + std::to_string(bottom) + "," +
                    std::to_string(erase) + ")");
}

intptr_t RunMediaDialog(CMediaDlg&) {
    calls.push_back("DialogBoxParamA(102)");
    return 2;
}
