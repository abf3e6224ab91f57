// Presses keys on a headless compositor as a keyboard of a given layout
// would, for the lock tests. Where the compositor offers the virtual-keyboard
// protocol (wlroots) it is a keyboard of its own whose whole keymap is
// compiled from the layouts and options given ("ru,us,de",
// "grp:sclk_toggle"), so the lock gets the keymap a person's keyboard would
// give it; on KWin it is org_kde_kwin_fake_input, whose keys go through
// KWin's own keymap. Keys are evdev codes, so a test presses the same
// physical keys whatever the layout (a layout switch is a key too).
//
// Usage: wayland_key_inject [LAYOUTS [OPTIONS]] < commands
// Prints "ready" once the keyboard exists, then reads lines:
//   tap CODE...   each key pressed and released in turn
//   down CODE     a key pressed (a modifier held for the next taps)
//   up CODE       a key released
// and prints "done" once the compositor has received each line's keys.
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>

#include "fake-input-client.h"
#include "virtual-keyboard-unstable-v1-client.h"

namespace {
wl_seat* seat;
zwp_virtual_keyboard_manager_v1* keyboardManager;
org_kde_kwin_fake_input* fakeInput;

void OnGlobal(void*, wl_registry* r, uint32_t name, const char* i, uint32_t version) {
    if (!std::strcmp(i, "wl_seat") && !seat)
        seat = static_cast<wl_seat*>(wl_registry_bind(r, name, &wl_seat_interface, 1));
    else if (!std::strcmp(i, "zwp_virtual_keyboard_manager_v1"))
        keyboardManager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(r, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    else if (!std::strcmp(i, "org_kde_kwin_fake_input") && version >= 4)
        fakeInput =
            static_cast<org_kde_kwin_fake_input*>(wl_registry_bind(r, name, &org_kde_kwin_fake_input_interface, 4));
}
void OnRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry = {OnGlobal, OnRemove};

uint32_t NowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// A virtual keyboard sends its modifier state itself: it is kept here from
// the keys pressed, as the compositor would keep a physical keyboard's.
struct VirtualKeyboard {
    zwp_virtual_keyboard_v1* keyboard = nullptr;
    xkb_state* state = nullptr;

    bool Make(const char* layouts, const char* options) {
        xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
        const xkb_rule_names names = {"evdev", "pc105", layouts, "", options};
        xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
        if (!keymap) return false;
        char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        const size_t size = std::strlen(text) + 1;
        int fd = memfd_create("keymap", MFD_CLOEXEC);
        if (fd < 0 || write(fd, text, size) != static_cast<ssize_t>(size)) return false;
        std::free(text);
        keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(keyboardManager, seat);
        zwp_virtual_keyboard_v1_keymap(keyboard, XKB_KEYMAP_FORMAT_TEXT_V1, fd, size);
        close(fd);
        state = xkb_state_new(keymap);
        return true;
    }
    void Key(uint32_t code, bool pressed) {
        zwp_virtual_keyboard_v1_key(keyboard, NowMs(), code, pressed);
        if (xkb_state_update_key(state, code + 8, pressed ? XKB_KEY_DOWN : XKB_KEY_UP))
            zwp_virtual_keyboard_v1_modifiers(keyboard, xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
                                              xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
                                              xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED),
                                              xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
    }
} virtualKeyboard;

void Key(uint32_t code, bool pressed) {
    if (virtualKeyboard.keyboard)
        virtualKeyboard.Key(code, pressed);
    else
        org_kde_kwin_fake_input_keyboard_key(fakeInput, code, pressed);
}
}  // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 1;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, nullptr);
    wl_display_roundtrip(display);
    if (seat && keyboardManager) {
        if (!virtualKeyboard.Make(argc > 1 ? argv[1] : "us", argc > 2 ? argv[2] : "")) {
            std::fprintf(stderr, "the keymap %s cannot be compiled\n", argc > 1 ? argv[1] : "us");
            return 1;
        }
    } else if (fakeInput) {
        org_kde_kwin_fake_input_authenticate(fakeInput, "Bumblepad tests", "presses keys for the lock tests");
    } else {
        std::fprintf(stderr, "the compositor offers no way to press keys (virtual keyboard, fake input)\n");
        return 1;
    }
    if (wl_display_roundtrip(display) < 0) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string verb;
        uint32_t code;
        words >> verb;
        while (words >> code) {
            if (verb == "tap") {
                Key(code, true);
                Key(code, false);
                wl_display_flush(display);
                usleep(5000);  // a fast typist, and one the compositor keeps apart
            } else if (verb == "down" || verb == "up") {
                Key(code, verb == "down");
            }
        }
        if (wl_display_roundtrip(display) < 0) return 1;
        std::printf("done\n");
        std::fflush(stdout);
    }
    return 0;
}
