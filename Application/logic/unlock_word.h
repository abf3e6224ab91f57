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
