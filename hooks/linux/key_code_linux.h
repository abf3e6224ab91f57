// The X server's keymap for the key translation (key_translation.h), kept by
// the X event thread: read with xkbcommon-x11 when first needed and again
// after the server says the keymap changed (XKB's new-keyboard and map
// notifications, which SelectKeymapEvents asks for).
#pragma once
#include <X11/Xlib.h>

#include <cstdint>

// Asks the server for the notifications of keymap changes on display; returns
// the XKB event base (-1 without XKB).
int SelectKeymapEvents(Display* display);
// The keymap changed: it is read again at its next use.
void KeymapChanged();
// The code the key `keycode` reports, pressed in the X state `state` (whose
// group bits say the layout).
uint8_t ReportedKeyCode(Display* display, unsigned keycode, unsigned state);
// VkKeyScanA on the layout now current (-1: no key types it).
int16_t CharacterKeyOnX(Display* display, char character);
