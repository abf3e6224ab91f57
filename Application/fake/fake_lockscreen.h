// Recording fakes of the lock screen's ports: drawing, sound, folder
// enumeration and keyboard layout. Calls go to fake::calls like the others.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "drawing_port.h"

namespace fake {

struct LockScreenScript {
    ScreenRect windowRect{0, 0, 1024, 768};
    // FindFirstEntry(pattern) yields these names in order (none: no handle).
    std::map<std::string, std::vector<std::string>> folders;
    std::set<std::string> notRegularFiles;  // IsRegularFile answers false for these paths
    std::map<char, int16_t> keyScan;        // VkKeyScanA overrides; else letters/digits map to 'A'..'Z'/'0'..'9', others -1
    bool layoutKnown = true;                // KeyboardLayoutKnown
    bool layoutKnownOnceHooked = false;     // ... known from SetKeyboardHook to RemoveKeyboardHook (Wayland)
    bool logPixels = true;                  // SetPixel calls are logged
    bool noThreads = false;                 // RunInBackground cannot make a thread
    bool holdBackground = false;            // RunInBackground keeps the task until RunHeldTasks
    int regularFileChecks = 0;              // IsRegularFile calls (the files a thread looked at)
};
extern LockScreenScript lockScreen;

void ResetLockScreen();  // also calls Reset()

// Runs the tasks RunInBackground held (holdBackground), as their threads would.
void RunHeldTasks();

// Handles the drawing fake hands out (they print by these names).
extern DrawContext const kWindowDC;
extern DrawContext const kCanvasDC;
extern DrawObject const kCanvasBitmap;
extern DrawObject const kStockBitmap;

}  // namespace fake
