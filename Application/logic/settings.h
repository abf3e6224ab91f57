// The controller's settings record. It is stored byte for byte as one binary
// value, so its layout is a stored format: 60 bytes, little-endian, flags one
// byte each (0 or 1 written, any non-zero byte read as set).
#pragma once
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct OptionsBlock {
    uint8_t marker;         // 0x7A; a stored block with anything else is not used
    bool lockDrive[26];     // A..Z take part in drive-door locking
    bool lockDriveDoors;    // tray "Lock Drive Doors"
    bool disablePowerButton;// tray "Disable Power Button"
    bool keyRepeat;         // auto-repeated key-downs are reported during a lock
    bool showUnlockHint;    // hint window / hint line
    uint8_t padding31;
    uint32_t autoLockMs;    // idle time before the automatic lock; 0 = never
    bool disableCtrlAltDel; // shown and stored, nothing acts on it
    bool showPictures;      // full lock shows pictures and sounds
    char unlockWord[20];    // NUL-terminated, at most 19 characters
    uint8_t padding58[2];
};
#pragma pack(pop)

static_assert(sizeof(OptionsBlock) == 60, "the stored block is 60 bytes");
static_assert(sizeof(bool) == 1, "flags are single bytes");
static_assert(offsetof(OptionsBlock, marker) == 0);
static_assert(offsetof(OptionsBlock, lockDrive) == 1);
static_assert(offsetof(OptionsBlock, lockDriveDoors) == 27);
static_assert(offsetof(OptionsBlock, disablePowerButton) == 28);
static_assert(offsetof(OptionsBlock, keyRepeat) == 29);
static_assert(offsetof(OptionsBlock, showUnlockHint) == 30);
static_assert(offsetof(OptionsBlock, padding31) == 31);
static_assert(offsetof(OptionsBlock, autoLockMs) == 32);
static_assert(offsetof(OptionsBlock, disableCtrlAltDel) == 36);
static_assert(offsetof(OptionsBlock, showPictures) == 37);
static_assert(offsetof(OptionsBlock, unlockWord) == 38);
static_assert(offsetof(OptionsBlock, padding58) == 58);

constexpr uint8_t kOptionsMarker = 0x7A;

extern const OptionsBlock defaultOptions;
extern OptionsBlock options;

// Reads the stored block into options. Fails only when the settings key
// cannot be opened (options then keeps what it held).
bool LoadOptions();

// Writes all 60 bytes of options; reports its own failures with a message box.
void SaveOptions();

// Where the settings live: under HKEY_LOCAL_MACHINE.
constexpr const char* kSettingsKey = "Software\\Bumblepad";
constexpr const char* kSettingsValue = "Options";
