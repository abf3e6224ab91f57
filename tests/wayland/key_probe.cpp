// A plain Wayland client for the lock tests: one window filled with a
// colour (magenta, so screenshots tell it from a lock screen), which prints
// "key <code> <pressed>" for every key it receives, "focus" / "unfocus" as
// the keyboard comes and goes, "keymap <layouts>" for each keymap it is
// given and "layout <n>" when another of its layouts becomes current. It
// stands for "another program" that must receive nothing while a lock holds.
// Its title is "keyprobe", or the first argument. With "overlay" as the
// second argument it is a layer-shell overlay that asks for the keyboard
// exclusively instead (the other way a lock could be held where the
// compositor offers layer-shell without an input inhibitor). With
// "sessionlock" it is another screen locker: it locks the session
// (ext-session-lock-v1) with a surface on every output, says "locked" or
// "finished", and unlocks when Escape is pressed, as a person's password
// would.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstring>

#include "ext-session-lock-v1-client.h"
#include "wlr-layer-shell-unstable-v1-client.h"
#include "xdg-shell-client.h"

namespace {
wl_compositor* compositor;
wl_shm* shm;
wl_seat* seat;
xdg_wm_base* wmBase;
zwlr_layer_shell_v1* layerShell;
ext_session_lock_manager_v1* lockManager;
ext_session_lock_v1* sessionLock;
wl_output* outputs[8];
int outputCount;
wl_surface* surface;
int width = 400, height = 300;

void Say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

void OnGlobal(void*, wl_registry* r, uint32_t name, const char* i, uint32_t) {
    if (!std::strcmp(i, "wl_compositor")) compositor = static_cast<wl_compositor*>(wl_registry_bind(r, name, &wl_compositor_interface, 4));
    else if (!std::strcmp(i, "wl_shm")) shm = static_cast<wl_shm*>(wl_registry_bind(r, name, &wl_shm_interface, 1));
    else if (!std::strcmp(i, "wl_seat") && !seat) seat = static_cast<wl_seat*>(wl_registry_bind(r, name, &wl_seat_interface, 4));
    else if (!std::strcmp(i, "xdg_wm_base")) wmBase = static_cast<xdg_wm_base*>(wl_registry_bind(r, name, &xdg_wm_base_interface, 1));
    else if (!std::strcmp(i, "zwlr_layer_shell_v1"))
        layerShell = static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(r, name, &zwlr_layer_shell_v1_interface, 1));
    else if (!std::strcmp(i, "ext_session_lock_manager_v1"))
        lockManager = static_cast<ext_session_lock_manager_v1*>(
            wl_registry_bind(r, name, &ext_session_lock_manager_v1_interface, 1));
    else if (!std::strcmp(i, "wl_output") && outputCount < 8)
        outputs[outputCount++] = static_cast<wl_output*>(wl_registry_bind(r, name, &wl_output_interface, 1));
}
void OnRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistry = {OnGlobal, OnRemove};

void OnPing(void*, xdg_wm_base* b, uint32_t serial) { xdg_wm_base_pong(b, serial); }
const xdg_wm_base_listener kBase = {OnPing};

wl_buffer* MakeBuffer(int width = ::width, int height = ::height) {
    const int stride = width * 4, size = stride * height;
    int fd = memfd_create("probe", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) != 0) return nullptr;
    auto* pixels = static_cast<uint32_t*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    for (int i = 0; i < width * height; ++i) pixels[i] = 0xFFFF00FF;
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

void OnToplevelConfigure(void*, xdg_toplevel*, int32_t w, int32_t h, wl_array*) {
    if (w > 0 && h > 0) width = w, height = h;
}
void OnToplevelClose(void*, xdg_toplevel*) {}
const xdg_toplevel_listener kToplevel = {OnToplevelConfigure, OnToplevelClose, nullptr, nullptr};
void Show(uint32_t w, uint32_t h);
void OnConfigure(void*, xdg_surface* s, uint32_t serial) {
    xdg_surface_ack_configure(s, serial);
    Show(0, 0);
}
const xdg_surface_listener kSurface = {OnConfigure};

void Show(uint32_t w, uint32_t h) {
    if (w > 0 && h > 0) width = static_cast<int>(w), height = static_cast<int>(h);
    wl_surface_attach(surface, MakeBuffer(), 0, 0);
    wl_surface_damage(surface, 0, 0, width, height);
    wl_surface_commit(surface);
}
void OnLayerConfigure(void*, zwlr_layer_surface_v1* l, uint32_t serial, uint32_t w, uint32_t h) {
    zwlr_layer_surface_v1_ack_configure(l, serial);
    Show(w, h);
}
void OnLayerClosed(void*, zwlr_layer_surface_v1*) { Say("closed"); }
const zwlr_layer_surface_v1_listener kLayer = {OnLayerConfigure, OnLayerClosed};

// The session lock's surfaces: each shows the probe's colour at its output's size.
void OnLockSurfaceConfigure(void* data, ext_session_lock_surface_v1* role, uint32_t serial, uint32_t w, uint32_t h) {
    ext_session_lock_surface_v1_ack_configure(role, serial);
    auto* s = static_cast<wl_surface*>(data);
    wl_surface_attach(s, MakeBuffer(static_cast<int>(w), static_cast<int>(h)), 0, 0);
    wl_surface_damage(s, 0, 0, static_cast<int>(w), static_cast<int>(h));
    wl_surface_commit(s);
}
const ext_session_lock_surface_v1_listener kLockSurface = {OnLockSurfaceConfigure};
void OnLocked(void*, ext_session_lock_v1*) { Say("locked"); }
void OnFinished(void*, ext_session_lock_v1*) { Say("finished"); }
const ext_session_lock_v1_listener kSessionLock = {OnLocked, OnFinished};

// The names of the keymap's layouts, in group order ("Russian,English (US)").
void OnKeymap(void*, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    void* text =
        format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    close(fd);
    if (text == MAP_FAILED) return;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = xkb_keymap_new_from_string(context, static_cast<const char*>(text),
                                                    XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    munmap(text, size);
    std::printf("keymap ");
    for (xkb_layout_index_t i = 0; keymap && i < xkb_keymap_num_layouts(keymap); ++i) {
        const char* name = xkb_keymap_layout_get_name(keymap, i);
        std::printf("%s%s", i ? "," : "", name ? name : "?");
    }
    Say("");
    if (keymap) xkb_keymap_unref(keymap);
    xkb_context_unref(context);
}
void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) { Say("focus"); }
void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) { Say("unfocus"); }
void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
    std::printf("key %u %u\n", key, state);
    std::fflush(stdout);
    if (sessionLock && key == 1 && state == WL_KEYBOARD_KEY_STATE_PRESSED) {
        ext_session_lock_v1_unlock_and_destroy(sessionLock);
        sessionLock = nullptr;
        Say("unlocked");
    }
}
// "layout N" each time the current layout (the keymap's group) changes.
void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t group) {
    static uint32_t current = 0;
    if (group == current) return;
    current = group;
    std::printf("layout %u\n", group);
    std::fflush(stdout);
}
void OnRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboard = {OnKeymap, OnEnter, OnLeave, OnKey, OnModifiers, OnRepeat};

wl_keyboard* keyboard;
void OnCaps(void*, wl_seat* s, uint32_t caps) {
    if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD) && keyboard) {
        // The last keyboard went away: this object is dead; a new one comes
        // with the next keyboard.
        wl_keyboard_release(keyboard);
        keyboard = nullptr;
    }
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !keyboard) {
        keyboard = wl_seat_get_keyboard(s);
        wl_keyboard_add_listener(keyboard, &kKeyboard, nullptr);
    }
}
void OnName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeat = {OnCaps, OnName};
}  // namespace

int main(int argc, char** argv) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 1;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistry, nullptr);
    wl_display_roundtrip(display);
    if (!compositor || !shm || !wmBase || !seat) return 1;
    xdg_wm_base_add_listener(wmBase, &kBase, nullptr);
    wl_seat_add_listener(seat, &kSeat, nullptr);
    surface = wl_compositor_create_surface(compositor);
    if (argc > 2 && !std::strcmp(argv[2], "overlay")) {
        if (!layerShell) return 1;
        auto* layer = zwlr_layer_shell_v1_get_layer_surface(layerShell, surface, nullptr, 3 /* overlay */, argv[1]);
        zwlr_layer_surface_v1_add_listener(layer, &kLayer, nullptr);
        zwlr_layer_surface_v1_set_anchor(layer, 1 | 2 | 4 | 8);
        zwlr_layer_surface_v1_set_exclusive_zone(layer, -1);
        zwlr_layer_surface_v1_set_keyboard_interactivity(layer, 1);
        wl_surface_commit(surface);
        Say("started");
        while (wl_display_dispatch(display) >= 0) {
        }
        return 0;
    }
    if (argc > 2 && !std::strcmp(argv[2], "sessionlock")) {
        if (!lockManager) return 1;
        sessionLock = ext_session_lock_manager_v1_lock(lockManager);
        ext_session_lock_v1_add_listener(sessionLock, &kSessionLock, nullptr);
        for (int i = 0; i < outputCount; ++i) {
            wl_surface* s = i ? wl_compositor_create_surface(compositor) : surface;
            auto* role = ext_session_lock_v1_get_lock_surface(sessionLock, s, outputs[i]);
            ext_session_lock_surface_v1_add_listener(role, &kLockSurface, s);
        }
        Say("started");
        while (sessionLock && wl_display_dispatch(display) >= 0) {
        }
        wl_display_roundtrip(display);  // the compositor has the unlock before the probe goes
        return 0;
    }
    xdg_surface* xs = xdg_wm_base_get_xdg_surface(wmBase, surface);
    xdg_surface_add_listener(xs, &kSurface, nullptr);
    xdg_toplevel* top = xdg_surface_get_toplevel(xs);
    xdg_toplevel_add_listener(top, &kToplevel, nullptr);
    xdg_toplevel_set_title(top, argc > 1 ? argv[1] : "keyprobe");
    wl_surface_commit(surface);
    Say("started");
    while (wl_display_dispatch(display) >= 0) {
    }
    return 0;
}
