// X keysyms to Windows virtual-key codes. The keysym values are the X
// protocol's own numbers (keysymdef.h), written out here so that the table
// stays platform-free and testable.
#include "hook_rules.h"

#include <cstring>

namespace {

struct KeysymVk {
    uint32_t keysym;
    uint8_t vk;
};

const KeysymVk kTable[] = {
    {0xFF08, 0x08},  // BackSpace
    {0xFF09, 0x09},  // Tab
    {0xFE20, 0x09},  // ISO_Left_Tab
    {0xFF0D, 0x0D},  // Return
    {0xFF8D, 0x0D},  // KP_Enter
    {0xFF13, 0x13},  // Pause
    {0xFFE5, 0x14},  // Caps_Lock
    {0xFF1B, 0x1B},  // Escape
    {0x0020, 0x20},  // space
    {0xFF55, 0x21},  // Prior (Page Up)
    {0xFF56, 0x22},  // Next (Page Down)
    {0xFF57, 0x23},  // End
    {0xFF50, 0x24},  // Home
    {0xFF51, 0x25},  // Left
    {0xFF52, 0x26},  // Up
    {0xFF53, 0x27},  // Right
    {0xFF54, 0x28},  // Down
    {0xFF61, 0x2C},  // Print
    {0xFF63, 0x2D},  // Insert
    {0xFFFF, 0x2E},  // Delete
    {0xFFEB, 0x5B},  // Super_L -> VK_LWIN
    {0xFFEC, 0x5C},  // Super_R -> VK_RWIN
    {0xFF67, 0x5D},  // Menu -> VK_APPS
    {0xFFAA, 0x6A},  // KP_Multiply
    {0xFFAB, 0x6B},  // KP_Add
    {0xFFAC, 0x6C},  // KP_Separator
    {0xFFAD, 0x6D},  // KP_Subtract
    {0xFFAE, 0x6E},  // KP_Decimal
    {0xFFAF, 0x6F},  // KP_Divide
    {0xFF95, 0x24},  // KP_Home
    {0xFF96, 0x25},  // KP_Left
    {0xFF97, 0x26},  // KP_Up
    {0xFF98, 0x27},  // KP_Right
    {0xFF99, 0x28},  // KP_Down
    {0xFF9A, 0x21},  // KP_Prior
    {0xFF9B, 0x22},  // KP_Next
    {0xFF9C, 0x23},  // KP_End
    {0xFF9D, 0x0C},  // KP_Begin -> VK_CLEAR
    {0xFF9E, 0x2D},  // KP_Insert
    {0xFF9F, 0x2E},  // KP_Delete
    {0xFF7F, 0x90},  // Num_Lock
    {0xFF14, 0x91},  // Scroll_Lock
    {0xFFE1, 0xA0},  // Shift_L -> VK_LSHIFT
    {0xFFE2, 0xA1},  // Shift_R -> VK_RSHIFT
    {0xFFE3, 0xA2},  // Control_L
    {0xFFE4, 0xA3},  // Control_R
    {0xFFE9, 0xA4},  // Alt_L -> VK_LMENU
    {0xFFEA, 0xA5},  // Alt_R
    {0xFE03, 0xA5},  // ISO_Level3_Shift (AltGr)
    {0xFFE7, 0xA4},  // Meta_L
    {0xFFE8, 0xA5},  // Meta_R
    {0x003B, 0xBA},  // semicolon -> VK_OEM_1
    {0x003D, 0xBB},  // equal -> VK_OEM_PLUS
    {0x002C, 0xBC},  // comma
    {0x002D, 0xBD},  // minus
    {0x002E, 0xBE},  // period
    {0x002F, 0xBF},  // slash -> VK_OEM_2
    {0x0060, 0xC0},  // grave -> VK_OEM_3
    {0x005B, 0xDB},  // bracketleft -> VK_OEM_4
    {0x005C, 0xDC},  // backslash -> VK_OEM_5
    {0x005D, 0xDD},  // bracketright -> VK_OEM_6
    {0x0027, 0xDE},  // apostrophe -> VK_OEM_7
    {0x003C, 0xE2},  // less (the 102nd key) -> VK_OEM_102
};

}  // namespace

uint8_t VirtualKeyFromKeysym(uint32_t keysym) {
    if (keysym >= 'a' && keysym <= 'z') return static_cast<uint8_t>(keysym - 'a' + 'A');
    if (keysym >= 'A' && keysym <= 'Z') return static_cast<uint8_t>(keysym);
    if (keysym >= '0' && keysym <= '9') return static_cast<uint8_t>(keysym);
    if (keysym >= 0xFFBE && keysym <= 0xFFD5) return static_cast<uint8_t>(0x70 + keysym - 0xFFBE);  // F1..F24
    if (keysym >= 0xFFB0 && keysym <= 0xFFB9) return static_cast<uint8_t>(0x60 + keysym - 0xFFB0);  // KP_0..KP_9
    for (const KeysymVk& entry : kTable)
        if (entry.keysym == keysym) return entry.vk;
    return 0;
}

uint8_t VirtualKeyFromKeyName(const char* name) {
    if (std::strcmp(name, "TLDE") == 0) return 0xC0;
    if (std::strcmp(name, "BKSL") == 0) return 0xDC;
    if (std::strcmp(name, "LSGT") == 0) return 0xE2;
    // The four rows of the main block, left to right: "AE01" is the 1 key.
    static const struct {
        char row[3];
        const char* codes;
    } kRows[] = {{"AE", "1234567890\xBD\xBB"},
                 {"AD", "QWERTYUIOP\xDB\xDD"},
                 {"AC", "ASDFGHJKL\xBA\xDE"},
                 {"AB", "ZXCVBNM\xBC\xBE\xBF\xC1"}};
    if (std::strlen(name) != 4 || name[2] < '0' || name[2] > '9' || name[3] < '0' || name[3] > '9') return 0;
    const size_t column = static_cast<size_t>((name[2] - '0') * 10 + (name[3] - '0'));
    for (const auto& r : kRows)
        if (name[0] == r.row[0] && name[1] == r.row[1] && column >= 1 && column <= std::strlen(r.codes))
            return static_cast<uint8_t>(r.codes[column - 1]);
    return 0;
}

void AssignKeyCodes(const KeyFacts* keys, size_t count, uint8_t* codes) {
    bool taken[256] = {};
    taken[0xFF] = taken[kVkKeyWithoutCode] = true;
    for (size_t i = 0; i < count; ++i) {
        codes[i] = VirtualKeyFromKeysym(keys[i].keysym);
        taken[codes[i]] = codes[i] != 0;
    }
    for (size_t i = 0; i < count; ++i) {
        if (codes[i] != 0) continue;
        const uint8_t place = VirtualKeyFromKeyName(keys[i].name);
        if (place != 0 && !taken[place]) codes[i] = place, taken[place] = true;
    }
    // Codes that Windows leaves unassigned, reserved or to the makers of
    // keyboards: no keysym gives them.
    static const uint8_t kSpareRanges[][2] = {{0x3A, 0x40}, {0x88, 0x8F}, {0x97, 0x9F},
                                              {0xB8, 0xB9}, {0xC3, 0xDA}, {0xE9, 0xF5}};
    uint8_t spares[256];
    size_t spareCount = 0, nextSpare = 0;
    for (const auto& r : kSpareRanges)
        for (unsigned code = r[0]; code <= r[1]; ++code)
            if (!taken[code]) spares[spareCount++] = static_cast<uint8_t>(code);
    for (size_t i = 0; i < count; ++i) {
        if (codes[i] != 0) continue;
        // None left: the key cannot be told apart (a word never asks for it).
        const bool spare = keys[i].character && nextSpare < spareCount;
        codes[i] = spare ? spares[nextSpare++] : kVkKeyWithoutCode;
    }
}

uint32_t KeyMessageFor(bool down, uint8_t vk, bool altHeld, bool ctrlHeld) {
    bool isAlt = vk == 0xA4 || vk == 0xA5 || vk == 0x12;
    bool system = vk == 0x79 /* F10 */ || ((altHeld || isAlt) && !ctrlHeld);
    if (down) return system ? kWmSysKeyDown : kWmKeyDown;
    // The Alt key's own release ends the system state.
    return (system && !isAlt) ? kWmSysKeyUp : kWmKeyUp;
}
