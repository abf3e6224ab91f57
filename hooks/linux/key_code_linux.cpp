#include "key_code_linux.h"

#include <X11/XKBlib.h>
#include <X11/Xlib-xcb.h>
#include <xkbcommon/xkbcommon-x11.h>

#include "hook_rules.h"
#include "key_translation.h"

namespace {

// Used by the X event thread only.
KeyTranslation translation;
xkb_context* context = nullptr;
bool stale = true;

bool Current(Display* display) {
    if (!stale && translation.Keymap()) return true;
    xcb_connection_t* connection = XGetXCBConnection(display);
    if (!context) context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context || !connection ||
        !xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr))
        return false;
    const int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    xkb_keymap* keymap =
        device < 0 ? nullptr
                   : xkb_x11_keymap_new_from_device(context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) return false;
    translation.Use(keymap);
    xkb_keymap_unref(keymap);
    stale = false;
    return true;
}

}  // namespace

int SelectKeymapEvents(Display* display) {
    int opcode, event, error, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) return -1;
    const unsigned mask = XkbNewKeyboardNotifyMask | XkbMapNotifyMask;
    XkbSelectEvents(display, XkbUseCoreKbd, mask, mask);
    return event;
}

void KeymapChanged() { stale = true; }

uint8_t ReportedKeyCode(Display* display, unsigned keycode, unsigned state) {
    if (!Current(display)) return kVkKeyWithoutCode;
    return translation.Code(keycode, static_cast<xkb_layout_index_t>(XkbGroupForCoreState(state)));
}

int16_t CharacterKeyOnX(Display* display, char character) {
    if (!Current(display)) return -1;
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    return translation.CharacterKey(character, state.group);
}
