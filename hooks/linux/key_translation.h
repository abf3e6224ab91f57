// The code a key reports and the key that types a character, over an
// xkbcommon keymap: one translation for X (the server's keymap, read with
// xkbcommon-x11) and Wayland (the keymap the compositor sends).
//
// A key reports the code of its keysym on the layout (group) that is current
// when it is pressed; a key whose keysym has no code, such as every letter of
// a Cyrillic or Greek layout, the code of its place on a US keyboard, so the
// W key is 'W' on a Russian layout as on Windows. No two keys of a layout
// share a code unless their keysyms do (AssignKeyCodes), and no key reports
// 0xFF, the byte of a character that no key types.
#pragma once
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <vector>

class KeyTranslation {
public:
    KeyTranslation() = default;
    KeyTranslation(const KeyTranslation&) = delete;
    KeyTranslation& operator=(const KeyTranslation&) = delete;
    ~KeyTranslation() { Use(nullptr); }

    // A new keymap (a reference is taken), or none.
    void Use(xkb_keymap* keymap);
    xkb_keymap* Keymap() const { return keymap_; }

    // The code key (an XKB keycode) reports on layout `layout`.
    uint8_t Code(xkb_keycode_t key, xkb_layout_index_t layout);

    // As VkKeyScanA answers for a Latin-1 character: low byte the code of the
    // key that types it, high byte the shift state (1 Shift, 6 Ctrl+Alt,
    // that is AltGr, 7 both); -1 when no key types it, or its key cannot be
    // told from others. The key is looked for on the current layout first,
    // then on the others (the key, not the layout, makes the code), on a key
    // every keyboard has rather than an extra one, at the lowest level.
    int16_t CharacterKey(char character, xkb_layout_index_t current);

private:
    xkb_keymap* keymap_ = nullptr;
    std::vector<std::vector<uint8_t>> codes_;  // per layout, by keycode - min keycode; empty until asked
};
