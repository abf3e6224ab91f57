// The hook system on every session that is not a real X11 one: the same port
// calls as the X adapter (hook_system_port.h), answered through the Wayland
// compositor, or refused where no lock can hold.
#pragma once
#include <cstdint>

#include "hook_system_port.h"

HHOOK WaylandInstallHook(int type, HookProcedure procedure);
bool WaylandRemoveHook(HHOOK hook);
void WaylandPostReport(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam);
void WaylandSynthesizeKey(uint8_t vk, uint8_t scan, uint32_t flags);
bool WaylandQueryLastInputTime(uint32_t& time);
// The key translation on the compositor's keymap (key_translation.h).
int16_t WaylandCharacterKey(char character);
bool WaylandKeymapKnown();
