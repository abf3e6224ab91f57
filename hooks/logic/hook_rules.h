// The hooks' decision rules: which event is reported, what the key table
// holds afterwards, which mouse message gives which report, what counts as
// input for the idle tracker. Pure functions of the event fields and the
// shared state, used by the hook procedures on every platform.
#pragma once
#include <cstddef>
#include <cstdint>

#include "shared_state.h"

constexpr uint32_t kWmKeyDown = 0x100;
constexpr uint32_t kWmKeyUp = 0x101;
constexpr uint32_t kWmSysKeyDown = 0x104;
constexpr uint32_t kWmSysKeyUp = 0x105;
constexpr uint32_t kWmMouseMove = 0x200;
constexpr uint32_t kWmLButtonDown = 0x201;
constexpr uint32_t kWmLButtonUp = 0x202;
constexpr uint32_t kWmRButtonDown = 0x204;
constexpr uint32_t kWmRButtonUp = 0x205;
constexpr uint32_t kWmMButtonDown = 0x207;
constexpr uint32_t kWmMouseWheel = 0x20A;

constexpr uint32_t kLlkhfExtended = 0x01;
constexpr uint32_t kLlkhfAltDown = 0x20;
constexpr uint32_t kLlkhfUp = 0x80;

constexpr uint8_t kVkNumLock = 0x90;
constexpr uint8_t kNumLockScan = 0x45;
constexpr uint32_t kKeyEventExtendedKey = 1;

constexpr int kHcAction = 0;
constexpr int kHcNoRemove = 3;

// The low-level keyboard event, laid out as KBDLLHOOKSTRUCT.
struct LowLevelKeyEvent {
    uint32_t vkCode;
    uint32_t scanCode;
    uint32_t flags;
    uint32_t time;
    uintptr_t dwExtraInfo;
};

// The mouse event, laid out as MOUSEHOOKSTRUCT.
struct MouseEvent {
    HookPoint pt;
    HWND hwnd;
    uint32_t wHitTestCode;
    uintptr_t dwExtraInfo;
};

// Low-level keyboard lock: a WM_KEYDOWN is reported when the key was not down
// in the table, when the event is a release, or when repeats are reported.
// WM_SYSKEYDOWN (Alt held, the Alt keys, F10) and every release message are
// never reported.
inline bool LowLevelKeyReported(uintptr_t message, uint32_t vk, uint32_t flags, const uint8_t* table,
                                bool repeat) {
    if (message != kWmKeyDown) return false;
    return table[vk & 0xFF] == 0 || (flags & kLlkhfUp) != 0 || repeat;
}

// What the key table holds for the key after the event: 1 while down.
inline uint8_t KeyTableValue(uint32_t flags) { return (flags & kLlkhfUp) ? 0 : 1; }

// A Num Lock release is answered by a synthetic Num Lock key-down.
inline bool NumLockReleaseSynthesizes(uintptr_t message, uint32_t vk) {
    return vk == kVkNumLock && message == kWmKeyUp;
}

// Classic keyboard lock (older family): lParam carries the keystroke flags.
// Bit 31 set: the key goes up (never reported). Bit 30 set: it was already
// down (an auto-repeat), reported only when repeats are.
inline bool ClassicKeyReported(intptr_t keystrokeFlags, bool repeat) {
    uint32_t bits = static_cast<uint32_t>(keystrokeFlags);
    if (bits & 0x80000000u) return false;
    return (bits & 0x40000000u) == 0 || repeat;
}

enum class MouseReportKind { Nothing, Button, Wheel, Move };

// Which report a mouse message gives while the mouse is reported.
inline MouseReportKind MouseReportFor(uintptr_t message) {
    switch (message) {
    case kWmLButtonDown:
    case kWmRButtonDown:
        return MouseReportKind::Button;
    case kWmMouseWheel:
        return MouseReportKind::Wheel;
    case kWmMouseMove:
        return MouseReportKind::Move;
    default:
        return MouseReportKind::Nothing;
    }
}

// The wheel counter: the value reported, and the counter moved on (wraps).
inline uint32_t TakeWheelCount(uint32_t& counter) { return counter++; }

// Idle tracker: keyboard input counts on HC_ACTION only.
inline bool TrackerKeyCounts(int code) { return code == kHcAction; }

// Idle tracker: a mouse message counts on HC_ACTION unless it is a move that
// leaves the cursor where it was; a click at the same place counts.
inline bool TrackerMouseCounts(int code, uintptr_t message, HookPoint pt, HookPoint last) {
    if (code != kHcAction) return false;
    return !(message == kWmMouseMove && pt.x == last.x && pt.y == last.y);
}

// ---- the Linux key translation ----

// The Windows virtual-key code of an X keysym (the key's unshifted keysym),
// or 0 for a key without one. The table is in docs/hooks.md.
uint8_t VirtualKeyFromKeysym(uint32_t keysym);

// A key whose keysym has none (a national letter such as ä or ß) gets the
// code of the key at its place on a US keyboard, by its XKB key name ("AC11",
// "TLDE", ...), as Windows gives such keys the OEM code of their place. 0 for
// a key outside the main block.
uint8_t VirtualKeyFromKeyName(const char* name);

// The code a key of one keyboard layout reports, given what the layout puts
// on it (X and Wayland alike, key_translation.h):
struct KeyFacts {
    uint32_t keysym = 0;     // its unshifted keysym on the layout (0: none)
    char name[5] = {};       // its XKB name, the place on the keyboard ("AD02")
    bool character = false;  // it types a character (a letter of any script, a digit, a sign)
};
// A key that cannot be told from others by its code. No character of a word
// translates to it and no key reports 0xFF, the byte of a character no key
// types.
constexpr uint8_t kVkKeyWithoutCode = 0xE8;
// Codes of keys, index for index: the keysym's own code (VirtualKeyFromKeysym);
// else the code of the key's place, unless a keysym of the layout already
// gives that code (on a German layout "-" has the minus key's code, so the ß
// key at its US place cannot have it); else, for a key that types a
// character, a code nothing else reports (the unassigned and OEM-specific
// ones); else kVkKeyWithoutCode. Two keys share a code only where their
// keysyms do.
void AssignKeyCodes(const KeyFacts* keys, size_t count, uint8_t* codes);

// The keyboard message Windows gives for a key event: WM_SYSKEYDOWN / UP for
// F10, for the Alt keys themselves and for keys pressed while Alt (and not
// Ctrl) is held; WM_KEYDOWN / UP otherwise.
uint32_t KeyMessageFor(bool down, uint8_t vk, bool altHeld, bool ctrlHeld);
