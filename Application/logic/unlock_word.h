// The unlock word: the history of reported key codes and the search for the
// word's key codes in it.
#pragma once
#include <cstdint>
#include <string>

constexpr size_t kKeyHistoryLimit = 500;  // longest history kept after a report
constexpr size_t kKeyHistoryCut = 480;    // a longer one keeps its bytes from here on
constexpr uint32_t kTrayItemLockKeyboard = 40015;

extern std::string keyHistory;   // low bytes of the reported codes, shift keys left out
extern std::string unlockCodes;  // the word's key codes, built on every report

// Records code and looks for the unlock word: true when it now stands in a
// row in keyHistory.
bool RecordKeyAndMatch(uint32_t code);

// The first character of word (length bytes) that cannot be typed as part of
// it on the current keyboard layout, or -1 when all can: a character no key
// types, or one after the first that needs Ctrl or Alt (AltGr), whose press
// would be recorded between the letters. Shift is never recorded, so it may
// be needed anywhere; the first letter may need AltGr, as the run begins at
// it. -1 too when the layout cannot be known beforehand (KeyboardLayoutKnown).
int UntypeableCharacter(const char* word, size_t length);

// The stored word (up to its 20 bytes) as a NUL-terminated text.
struct StoredWord {
    char text[21];
};
StoredWord CurrentUnlockWord();
