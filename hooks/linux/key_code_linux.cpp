// The code reported for an X key (key_codes_linux.h). The keyboard map is
// asked afresh each time: Xlib's own copy is only renewed when Xlib reads the
// events, which a Qt program never has it do, so after a change of layout it
// would answer for the old one.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <cstring>

#include "hook_rules.h"
#include "key_codes_linux.h"

unsigned char ReportedKeyCode(void* display, unsigned keycode) {
    auto* d = static_cast<Display*>(display);
    XkbDescPtr xkb = XkbGetMap(d, XkbKeySymsMask, XkbUseCoreKbd);
    if (!xkb) {  // a server without XKB: the core keymap
        int perKey = 0;
        KeySym* syms = XGetKeyboardMapping(d, static_cast<KeyCode>(keycode), 1, &perKey);
        const uint8_t vk = syms && perKey > 0 ? VirtualKeyFromKeysym(static_cast<uint32_t>(syms[0])) : 0;
        if (syms) XFree(syms);
        return vk != 0 ? vk : 0xFF;
    }
    uint8_t vk = 0;
    if (keycode >= xkb->min_key_code && keycode <= xkb->max_key_code) {
        if (XkbKeyNumGroups(xkb, keycode) > 0)
            vk = VirtualKeyFromKeysym(static_cast<uint32_t>(XkbKeySymEntry(xkb, keycode, 0, 0)));
        // A key without a code of its own keysym: its place on the keyboard.
        if (vk == 0 && XkbGetNames(d, XkbKeyNamesMask, xkb) == Success && xkb->names && xkb->names->keys) {
            char name[XkbKeyNameLength + 1] = {};
            std::memcpy(name, xkb->names->keys[keycode].name, XkbKeyNameLength);
            vk = VirtualKeyFromKeyName(name);
        }
    }
    XkbFreeKeyboard(xkb, 0, True);
    return vk != 0 ? vk : 0xFF;
}
