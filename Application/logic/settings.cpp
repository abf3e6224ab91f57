#include "settings.h"

#include <cstring>

#include "message_box_port.h"
#include "registry_port.h"

const OptionsBlock defaultOptions = {
    kOptionsMarker,
    {true, true, true, true, true, true, true, true, true, true, true, true, true,
     true, true, true, true, true, true, true, true, true, true, true, true, true},
    true,   // lockDriveDoors
    true,   // disablePowerButton
    false,  // keyRepeat
    true,   // showUnlockHint
    0,
    0,      // autoLockMs: never
    false,  // disableCtrlAltDel
    true,   // showPictures
    "wren",
    {0, 0},
};

OptionsBlock options = defaultOptions;

static const char kSaveError[] = "Error accessing registry. Settings will not be saved.";

bool LoadOptions() {
    RegistryKey key = OpenMachineKey(kSettingsKey, KeyAccess::Query);
    if (!key) return false;
    uint32_t size = sizeof(OptionsBlock);
    bool read = QueryBinaryValue(key, kSettingsValue, &options, size);
    if (!read || options.marker != kOptionsMarker) std::memcpy(&options, &defaultOptions, sizeof options);
    // A word field without a NUL in its 20 bytes is read as if its last byte
    // were the terminator, so nothing ever reads past the field.
    options.unlockWord[sizeof options.unlockWord - 1] = '\0';
    CloseKey(key);
    return true;
}

void SaveOptions() {
    RegistryKey key = OpenMachineKey(kSettingsKey, KeyAccess::SetValue);
    if (!key) {
        ShowMessageBox(kSaveError, "Error", kMbIconWarning);
        return;
    }
    if (!SetBinaryValue(key, kSettingsValue, &options, sizeof options))
        ShowMessageBox(kSaveError, "Error", kMbIconWarning);
    CloseKey(key);
}
