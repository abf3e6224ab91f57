// A keyboard for the lock tests on wlroots compositors: a virtual keyboard
// (the protocol wtype uses) with a whole keymap of a real layout, so that the
// lock gets the keymap a person's keyboard would give it, and keys are
// pressed by their place. Usage: wayland_type_keys LAYOUT [VARIANT]; reads
// lines from its standard input, answers "done" after each:
//   keys CODE...   presses and releases each evdev key code in turn
//   hold CODE      presses a key and keeps it down / release CODE lets it go
//   group N        makes layout N current (as a layout switch would)
// and prints "ready" once the compositor has the keymap.
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

#include "virtual-keyboard-unstable-v1-client.h"

namespace {
wl_seat* seat;
zwp_virtual_keyboard_manager_v1* manager;

void OnGlobal(void*, wl_registry* r, uint32_t name, const char* i, uint32_t) {
    if (!std::strcmp(i, "wl_seat") && !seat)
        seat = static_cast<wl_seat*>(wl_registry_bind(r, name, &wl_seat_interface, 1));
    else if (!std::strcmp(i, "zwp_virtual_keyboard_manager_v1"))
        manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(r, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
}
void OnRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry = {OnGlobal, OnRemove};

uint32_t Now() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    xkb_rule_names names{"evdev", "pc105", argv[1], argc > 2 ? argv[2] : "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) return std::fprintf(stderr, "no keymap for %s\n", argv[1]), 1;
    char* text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    const size_t size = std::strlen(text) + 1;
    const int fd = memfd_create("keymap", MFD_CLOEXEC);
    if (fd < 0 || write(fd, text, size) != static_cast<ssize_t>(size)) return 1;

    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 1;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, nullptr);
    wl_display_roundtrip(display);
    if (!seat || !manager) return std::fprintf(stderr, "no virtual keyboard here\n"), 1;
    zwp_virtual_keyboard_v1* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, seat);
    zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd, static_cast<uint32_t>(size));
    wl_display_roundtrip(display);
    std::printf("ready\n");
    std::fflush(stdout);
    // A virtual keyboard tells its modifiers itself: they follow the keys
    // through a state of the same keymap.
    xkb_state* state = xkb_state_new(keymap);
    auto key = [&](uint32_t code, bool down) {
        zwp_virtual_keyboard_v1_key(keyboard, Now(), code, down ? 1 : 0);
        xkb_state_update_key(state, code + 8, down ? XKB_KEY_DOWN : XKB_KEY_UP);
        zwp_virtual_keyboard_v1_modifiers(keyboard, xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
                                          xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
                                          xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED),
                                          xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
    };
    for (std::string line; std::getline(std::cin, line);) {
        std::istringstream words(line);
        std::string verb;
        words >> verb;
        for (uint32_t code; words >> code;) {
            if (verb == "keys" || verb == "hold") key(code, true);
            if (verb == "keys" || verb == "release") key(code, false);
            if (verb == "group") {
                xkb_state_update_mask(state, 0, 0, 0, 0, 0, code);
                zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, code);
            }
            wl_display_roundtrip(display);
            usleep(20000);
        }
        std::printf("done\n");
        std::fflush(stdout);
    }
    zwp_virtual_keyboard_v1_destroy(keyboard);
    wl_display_roundtrip(display);
    return 0;
}
