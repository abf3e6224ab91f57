#include "fake_lockscreen.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "background_port.h"
#include "directory_port.h"
#include "fake_platform.h"
#include "keyboard_layout_port.h"
#include "sound_port.h"

namespace fake {
LockScreenScript lockScreen;
struct HeldTask {
    void (*task)(void*);
    void* argument;
};
static std::vector<HeldTask> heldTasks;

static int windowDC, canvasDCObject, canvasBitmapObject, stockBitmap;
DrawContext const kWindowDC = &windowDC;
DrawContext const kCanvasDC = &canvasDCObject;
DrawObject const kCanvasBitmap = &canvasBitmapObject;
DrawObject const kStockBitmap = &stockBitmap;

void ResetLockScreen() {
    RunHeldTasks();  // a test that ended with a task held lets it finish first
    Reset();
    lockScreen = LockScreenScript();
}

static std::string Name(const void* handle) {
    if (!handle) return "0";
    if (handle == kWindowDC) return "windowDC";
    if (handle == kCanvasDC) return "canvasDC";
    if (handle == kCanvasBitmap) return "canvasBitmap";
    if (handle == kStockBitmap) return "stockBitmap";
    return "?";
}

static std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

static std::string Join(std::initializer_list<long long> values) {
    std::string out;
    for (long long v : values) {
        if (!out.empty()) out += ',';
        out += std::to_string(v);
    }
    return out;
}

static void Log(const std::string& call) { calls.push_back(call); }

struct Search {
    std::vector<std::string> names;
    size_t next = 0;
};
}  // namespace fake

using namespace fake;

// ---- drawing ----
ScreenRect GetWindowScreenRect(HWND) {
    Log("GetWindowRect");
    return lockScreen.windowRect;
}
DrawContext GetWindowContext(HWND) {
    Log("GetDC");
    return kWindowDC;
}
void ReleaseWindowContext(HWND, DrawContext context) { Log("ReleaseDC(" + Name(context) + ")"); }
DrawObject CreateCanvasBitmap(DrawContext context, int32_t width, int32_t height) {
    Log("CreateCompatibleBitmap(" + Name(context) + "," + Join({width, height}) + ")");
    return kCanvasBitmap;
}
DrawContext CreateMemoryContext(DrawContext context) {
    Log("CreateCompatibleDC(" + Name(context) + ")");
    return kCanvasDC;
}
DrawObject SelectDrawObject(DrawContext context, DrawObject object) {
    Log("SelectObject(" + Name(context) + "," + Name(object) + ")");
    return kStockBitmap;
}
void DeleteDrawObject(DrawObject object) { Log("DeleteObject(" + Name(object) + ")"); }
void DeleteMemoryContext(DrawContext context) { Log("DeleteDC(" + Name(context) + ")"); }
void PatternFill(DrawContext context, int32_t x, int32_t y, int32_t width, int32_t height, uint32_t rop) {
    Log("PatBlt(" + Name(context) + "," + Join({x, y, width, height}) + "," + Hex(rop) + ")");
}
void SetStretchMode(DrawContext context, int mode) {
    Log("SetStretchBltMode(" + Name(context) + "," + std::to_string(mode) + ")");
}
void StretchDibToContext(DrawContext context, int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX,
                         int32_t srcY, int32_t srcWidth, int32_t srcHeight, const void* bits, const void* info,
                         uint32_t usage, uint32_t rop) {
    // The header's bit count (BITMAPINFOHEADER.biBitCount, offset 14) shows
    // what the canvas was handed.
    uint16_t bitCount = 0;
    if (info) std::memcpy(&bitCount, static_cast<const char*>(info) + 14, 2);
    Log("StretchDIBits(" + Name(context) + "," + Join({x, y, width, height, srcX, srcY, srcWidth, srcHeight}) +
        "," + (bits ? "bits" : "0") + ",bpp" + std::to_string(bitCount) + "," + std::to_string(usage) + "," +
        Hex(rop) + ")");
}
void SetBackgroundColour(DrawContext context, uint32_t colour) {
    Log("SetBkColor(" + Name(context) + "," + Hex(colour) + ")");
}
void WriteText(DrawContext context, int32_t x, int32_t y, const char* text, int32_t length) {
    Log("TextOutA(" + Name(context) + "," + Join({x, y}) + "," + std::string(text, length) + "," +
        std::to_string(length) + ")");
}
void CopyBlock(DrawContext target, int32_t x, int32_t y, int32_t width, int32_t height, DrawContext source,
               int32_t srcX, int32_t srcY, uint32_t rop) {
    Log("BitBlt(" + Name(target) + "," + Join({x, y, width, height}) + "," + Name(source) + "," +
        Join({srcX, srcY}) + "," + Hex(rop) + ")");
}
void StretchBlock(DrawContext target, int32_t x, int32_t y, int32_t width, int32_t height, DrawContext source,
                  int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight, uint32_t rop) {
    Log("StretchBlt(" + Name(target) + "," + Join({x, y, width, height}) + "," + Name(source) + "," +
        Join({srcX, srcY, srcWidth, srcHeight}) + "," + Hex(rop) + ")");
}
void SetPixelColour(DrawContext context, int32_t x, int32_t y, uint32_t colour) {
    if (lockScreen.logPixels) Log("SetPixel(" + Name(context) + "," + Join({x, y}) + "," + Hex(colour) + ")");
}

// ---- sound ----
void PlaySoundFile(const char* sound, uint32_t flags) {
    Log(std::string("PlaySoundA(") + (sound ? sound : "0") + ",0," + Hex(flags) + ")");
}

// ---- folders ----
DirectorySearch FindFirstEntry(const char* pattern, DirectoryEntry& entry) {
    Log(std::string("FindFirstFileA(") + pattern + ")");
    auto it = lockScreen.folders.find(pattern);
    if (it == lockScreen.folders.end() || it->second.empty()) return nullptr;
    auto* search = new Search{it->second, 0};
    std::snprintf(entry.name, sizeof entry.name, "%s", search->names[search->next++].c_str());
    return search;
}
bool FindNextEntry(DirectorySearch handle, DirectoryEntry& entry) {
    Log("FindNextFileA");
    auto* search = static_cast<Search*>(handle);
    if (search->next >= search->names.size()) return false;
    std::snprintf(entry.name, sizeof entry.name, "%s", search->names[search->next++].c_str());
    return true;
}
void CloseEntrySearch(DirectorySearch handle) {
    Log("FindClose");
    delete static_cast<Search*>(handle);
}
bool IsRegularFile(const char* path, FileStamp* stamp) {
    ++lockScreen.regularFileChecks;
    if (lockScreen.notRegularFiles.count(path)) return false;
    if (stamp) {
        // The real file's size and time where the test wrote one.
        std::error_code error;
        stamp->size = std::filesystem::file_size(path, error);
        const auto time = std::filesystem::last_write_time(path, error);
        stamp->modified = error ? 0 : static_cast<int64_t>(time.time_since_epoch().count());
    }
    return true;
}

// ---- background work: run at once, so the tests see one order of events ----
bool RunInBackground(void (*task)(void*), void* argument) {
    Log("RunInBackground");
    if (lockScreen.noThreads) return false;
    if (lockScreen.holdBackground) {
        heldTasks.push_back({task, argument});
        return true;
    }
    task(argument);
    return true;
}

void fake::RunHeldTasks() {
    std::vector<HeldTask> tasks;
    tasks.swap(heldTasks);
    for (const HeldTask& held : tasks) held.task(held.argument);
}

// ---- keyboard layout ----
bool KeyboardLayoutKnown() { return lockScreen.layoutKnown; }

int16_t ScanCharacterKey(char character) {
    Log(std::string("VkKeyScanA(") + character + ")");
    auto it = lockScreen.keyScan.find(character);
    if (it != lockScreen.keyScan.end()) return it->second;
    const unsigned char c = static_cast<unsigned char>(character);
    if (std::isalpha(c)) return static_cast<int16_t>(std::toupper(c) | (std::isupper(c) ? 0x100 : 0));
    if (std::isdigit(c) || c == ' ') return static_cast<int16_t>(c);
    return -1;
}
void ReturnFreeMemory() { Log("ReturnFreeMemory"); }
