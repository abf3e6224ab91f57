// The current keyboard layout.
#pragma once
#include <cstdint>

// VkKeyScanA(character): low byte the virtual-key code of the key that types
// the character on the current layout, high byte the shift state; -1 (low
// byte 0xFF) when no key types it.
int16_t ScanCharacterKey(char character);
