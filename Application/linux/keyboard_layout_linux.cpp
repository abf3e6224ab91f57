// The key that types a character on the current keyboard layout, as the hook
// library reports that key (the same translation on X and on Wayland:
// LockKeyForCharacter), with the shift state that reaches the character.
#include "keyboard_layout_port.h"
#include "lock_session.h"

int16_t ScanCharacterKey(char character) {
    const auto c = static_cast<unsigned char>(character);
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) return -1;  // control characters have no key
    return LockKeyForCharacter(character);
}

// On X the server's keymap; on Wayland the keymap the compositor sent with
// the seat's keyboard (none before one is there).
bool KeyboardLayoutKnown() { return LockKeymapKnown(); }
