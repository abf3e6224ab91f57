// The key that types a character on the current X keyboard layout, given as
// the code the hook library reports for that key (key_codes_linux.h) and the
// shift state that reaches the character on it, as VkKeyScanA gives them.
//
// Several keys may type a character: under a US map '<' is both Shift and
// the comma key and the extra key of European keyboards. The key chosen is
// the one on the current group (the reported code does not depend on the
// group, so another group's key is the fallback), on a key every keyboard has
// rather than an extra one, at the lowest shift level.
#include <QGuiApplication>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <climits>
#include <cstring>

#include "key_codes_linux.h"
#include "keyboard_layout_port.h"
#include "lock_session.h"
#include "wayland_screen.h"

static Display* TheDisplay() {
    if (auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        return x11->display();
    static Display* own = XOpenDisplay(nullptr);
    return own;
}

// The keys of the 101-key main block, which every keyboard has.
static bool EveryKeyboardHas(XkbDescPtr xkb, unsigned key) {
    if (!xkb->names || !xkb->names->keys) return true;
    char name[XkbKeyNameLength + 1] = {};
    std::memcpy(name, xkb->names->keys[key].name, XkbKeyNameLength);
    if (!std::strcmp(name, "TLDE") || !std::strcmp(name, "BKSL") || !std::strcmp(name, "SPCE")) return true;
    if (std::strlen(name) != 4 || name[0] != 'A') return false;
    const int column = (name[2] - '0') * 10 + (name[3] - '0');
    switch (name[1]) {
    case 'E': case 'D': return column >= 1 && column <= 12;
    case 'C': return column >= 1 && column <= 11;
    case 'B': return column >= 1 && column <= 10;
    default: return false;
    }
}

// VkKeyScanA's shift state for a level of a key: 0 for the first level, Shift
// (1) for a level that Shift or Caps Lock reaches, Ctrl+Alt (6, plus Shift)
// for one that needs another modifier (the third level, AltGr).
static int ShiftStateOf(XkbDescPtr xkb, unsigned key, int group, int level) {
    if (level == 0) return 0;
    XkbKeyTypePtr type = XkbKeyKeyType(xkb, key, group);
    unsigned mask = UINT_MAX;
    for (int i = 0; i < type->map_count; ++i) {
        const XkbKTMapEntryRec& entry = type->map[i];
        if (entry.active && entry.level == level &&
            __builtin_popcount(entry.mods.mask) < __builtin_popcount(mask))
            mask = entry.mods.mask;
    }
    int state = (mask & (ShiftMask | LockMask)) ? 1 : 0;
    if (mask & ~static_cast<unsigned>(ShiftMask | LockMask)) state |= 6;
    return state;
}

int16_t ScanCharacterKey(char character) {
    const auto c = static_cast<unsigned char>(character);
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return -1;  // control characters have no key
    // On Wayland the keys come through the compositor's keymap, not X's.
    if (LockScreenOnWayland()) return LockKeyForCharacter(character);
    Display* display = TheDisplay();
    if (!display) return -1;
    XkbDescPtr xkb = XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd);
    if (!xkb) return -1;
    XkbGetNames(display, XkbKeyNamesMask, xkb);
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);

    const KeySym wanted = c;  // Latin-1 characters are their own keysyms
    int bestRank = INT_MAX, bestState = 0;
    unsigned bestKey = 0;
    for (unsigned key = xkb->min_key_code; key <= xkb->max_key_code; ++key) {
        const int groups = XkbKeyNumGroups(xkb, key);
        for (int distance = 0; distance < groups; ++distance) {
            const int group = (state.group + distance) % groups;  // the current group first
            for (int level = 0; level < XkbKeyGroupWidth(xkb, key, group); ++level) {
                if (XkbKeySymEntry(xkb, key, level, group) != wanted) continue;
                const int rank = distance * 10000 + (EveryKeyboardHas(xkb, key) ? 0 : 1000) + level;
                if (rank < bestRank) {
                    bestRank = rank;
                    bestKey = key;
                    bestState = ShiftStateOf(xkb, key, group, level);
                }
            }
        }
    }
    XkbFreeKeyboard(xkb, 0, True);
    if (bestRank == INT_MAX) return -1;
    const unsigned char code = ReportedKeyCode(display, bestKey);
    if (code == 0xFF) return -1;  // the lock could not tell that key from others
    return static_cast<int16_t>(code | bestState << 8);
}

bool KeyboardLayoutKnown() { return !LockScreenOnWayland() && TheDisplay(); }
