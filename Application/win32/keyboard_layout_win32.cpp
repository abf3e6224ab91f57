// The current keyboard layout on Windows: VkKeyScanA.
#include <windows.h>

#include "keyboard_layout_port.h"

int16_t ScanCharacterKey(char character) { return VkKeyScanA(character); }

bool KeyboardLayoutKnown() { return true; }
