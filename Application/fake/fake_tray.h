// Recording fakes of the tray icon and popup menu port, the lock-hold test
// and the update rectangle. Calls go into fake::calls.
#pragma once
#include <cstdint>
#include <deque>
#include <map>

namespace fake {

struct TrayScript {
    bool menuLoadFails = false;
    std::deque<uint32_t> menuChoices;   // TrackMenuAtCursor answers, in turn (0 when empty)
    std::map<uint32_t, bool> checked;   // the loaded menu's check marks by command id
    bool lockHolds = true;              // LockHookHolds
    const char* refusalText = nullptr;  // LockRefusalText (null: kLockFailedText)
    bool hasUpdateRect = false;         // GetWindowUpdateRect
    int32_t updateRect[4] = {0, 0, 0, 0};
};
extern TrayScript tray;

void ResetTray();

}  // namespace fake
