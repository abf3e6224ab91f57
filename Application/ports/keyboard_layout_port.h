// The current keyboard layout.
#pragma once
#include <cstdint>

// VkKeyScanA(character): low byte the virtual-key code of the key that types
// the character on the current layout, high byte the shift state; -1 (low
// byte 0xFF) when no key types it.
int16_t ScanCharacterKey(char character);

// Whether the layout the parent types with can be read before the keys come:
// true on Windows and under X. Not in a Wayland session: the compositor hands
// a client the keymap of the keyboard last used, and a virtual keyboard (an
// on-screen keyboard, a typing tool) brings one of its own.
bool KeyboardLayoutKnown();
