#include "unlock_word.h"

#include <cstring>

#include "keyboard_layout_port.h"
#include "lock_screen.h"
#include "lock_state.h"
#include "picture.h"
#include "settings.h"
#include "sound_port.h"
#include "switches.h"
#include "tray.h"
#include "window_port.h"

std::string keyHistory;
std::string unlockCodes;

extern bool lockScreenPrepared;

static bool IsShiftKey(uint32_t code) { return code == 0x10 || code == 0xA0 || code == 0xA1; }

bool RecordKeyAndMatch(uint32_t code) {
    if (!IsShiftKey(code)) keyHistory.push_back(static_cast<char>(code & 0xFF));
    if (keyHistory.size() > kKeyHistoryLimit) keyHistory.erase(0, kKeyHistoryCut);

    unlockCodes.clear();
    // The stored word is NUL-terminated within its 20 bytes; a block read
    // without the NUL still ends at the field's end.
    const size_t length = strnlen(options.unlockWord, sizeof options.unlockWord);
    for (size_t i = 0; i < length; ++i)
        unlockCodes.push_back(static_cast<char>(ScanCharacterKey(options.unlockWord[i]) & 0xFF));

    return keyHistory.find(unlockCodes) != std::string::npos;
}

int UntypeableCharacter(const char* word, size_t length) {
    if (!KeyboardLayoutKnown()) return -1;  // nothing to judge by before the keys come
    for (size_t i = 0; i < length; ++i) {
        const int key = ScanCharacterKey(word[i]);
        const int shiftState = (key >> 8) & 0xFF;
        if ((key & 0xFF) == 0xFF) return static_cast<int>(i);
        if (i > 0 && (shiftState & ~1) != 0) return static_cast<int>(i);
    }
    return -1;
}

StoredWord CurrentUnlockWord() {
    StoredWord word{};
    std::memcpy(word.text, options.unlockWord, strnlen(options.unlockWord, sizeof options.unlockWord));
    return word;
}

void EndLockByWord(HWND window) {
    // What the lock took follows from how it began, whatever the setting says now.
    const bool tookPictures = lockShowsPictures;
    keyHistory.clear();
    if (tookPictures) {
        lockScreenPrepared = false;
        PlaySoundFile(nullptr, kSoundPurge);
        DeleteMemoryContext(canvasDC);
        canvasDC = nullptr;
        DeleteDrawObject(canvasBitmap);
    } else if (hintWindow) {
        DestroyOwnedWindow(hintWindow);
        hintWindow = nullptr;
    }
    RemoveKeyboardHook(tookPictures);
    locked = false;
    keyboardOnly = false;
    SetAccessibilityHotkeys(false);
    canvasBitmap = nullptr;
    ShowMainWindow(window, kSwHide);
    if (trayMenu) CheckTrayItem(kTrayItemLockKeyboard, false);
}
