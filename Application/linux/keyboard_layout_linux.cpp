// The key that types a character on the current X keyboard layout, given as
// the virtual-key code the hook library reports for that key: the key's
// unshifted keysym mapped like the Windows codes (letters 'A'..'Z', digits
// '0'..'9', the punctuation keys to their OEM codes).
#include <QGuiApplication>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "keyboard_layout_port.h"
#include "lock_session.h"
#include "wayland_screen.h"

static Display* TheDisplay() {
    if (auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr)
        return x11->display();
    static Display* own = XOpenDisplay(nullptr);
    return own;
}

// The virtual-key code of a key by its unshifted keysym; 0xFF for none.
static int VirtualKeyOf(KeySym base) {
    if (base >= XK_a && base <= XK_z) return static_cast<int>(base - XK_a + 'A');
    if (base >= XK_A && base <= XK_Z) return static_cast<int>(base);
    if (base >= XK_0 && base <= XK_9) return static_cast<int>(base);
    switch (base) {
    case XK_space: return 0x20;
    case XK_semicolon: return 0xBA;
    case XK_equal: return 0xBB;
    case XK_comma: return 0xBC;
    case XK_minus: return 0xBD;
    case XK_period: return 0xBE;
    case XK_slash: return 0xBF;
    case XK_grave: return 0xC0;
    case XK_bracketleft: return 0xDB;
    case XK_backslash: return 0xDC;
    case XK_bracketright: return 0xDD;
    case XK_apostrophe: return 0xDE;
    case XK_less: return 0xE2;  // the extra key of European keyboards
    default: return 0xFF;
    }
}

int16_t ScanCharacterKey(char character) {
    // On Wayland the keys come through the compositor's keymap, not X's.
    if (LockScreenOnWayland()) return LockKeyForCharacter(character);
    Display* display = TheDisplay();
    if (!display) return -1;
    // Latin-1 characters are their own keysyms.
    const KeySym wanted = static_cast<unsigned char>(character);
    const KeyCode key = XKeysymToKeycode(display, wanted);
    if (key == 0) return -1;
    const int vk = VirtualKeyOf(XkbKeycodeToKeysym(display, key, 0, 0));
    if (vk == 0xFF) return -1;
    const bool shifted = XkbKeycodeToKeysym(display, key, 0, 0) != wanted &&
                         XkbKeycodeToKeysym(display, key, 0, 1) == wanted;
    return static_cast<int16_t>(vk | (shifted ? 0x100 : 0));
}
