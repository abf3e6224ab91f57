// Telling X11, an X server under Wayland and Wayland apart: WAYLAND_DISPLAY
// and XDG_SESSION_TYPE say a Wayland session was meant, a connection to the
// compositor says it is there, and its advertised globals say how a lock can
// hold on it. An X display alone is taken for real X11 unless its input
// devices are XWayland's own ("xwayland-pointer", "xwayland-keyboard").
#include "session_kind.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <wayland-client.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

void OnGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
    auto& g = *static_cast<WaylandGlobals*>(data);
    const std::string name = interface;
    if (name == "wl_compositor") g.compositor = true;
    else if (name == "wl_shm") g.shm = true;
    else if (name == "wl_seat") g.seat = true;
    else if (name == "wl_output") g.output = true;
    else if (name == "xdg_wm_base") g.xdgShell = true;
    else if (name == "ext_session_lock_manager_v1") g.sessionLock = true;
    else if (name == "zwlr_layer_shell_v1") g.layerShell = true;
    else if (name == "zwlr_input_inhibit_manager_v1") g.inputInhibitor = true;
    else if (name == "zwp_keyboard_shortcuts_inhibit_manager_v1") g.shortcutsInhibit = true;
    else if (name == "zwp_pointer_constraints_v1") g.pointerConstraints = true;
    else if (name == "ext_idle_notifier_v1") g.idleNotify = true;
    else if (name == "org_kde_kwin_idle") g.kdeIdle = true;
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// Connects, lists the globals, disconnects. False when no compositor answers.
bool ProbeCompositor(WaylandGlobals& globals) {
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return false;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &kRegistryListener, &globals);
    const bool ok = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return ok;
}

int IgnoreError(Display*, XErrorEvent*) { return 0; }

// An X server whose input devices are XWayland's.
bool XServerIsXWayland(Display* display) {
    int opcode, event, error, major = 2, minor = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &event, &error)) return false;
    if (XIQueryVersion(display, &major, &minor) != Success) return false;
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    bool found = false;
    for (int i = 0; i < count && !found; ++i)
        found = devices[i].name && std::strncmp(devices[i].name, "xwayland-", 9) == 0;
    XIFreeDeviceInfo(devices);
    return found;
}

SessionFacts Gather() {
    SessionFacts facts;
    if (const char* desktop = std::getenv("XDG_CURRENT_DESKTOP")) facts.desktop = desktop;
    std::transform(facts.desktop.begin(), facts.desktop.end(), facts.desktop.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const char* type = std::getenv("XDG_SESSION_TYPE");
    const bool waylandMeant = Set("WAYLAND_DISPLAY") || (type && std::strcmp(type, "wayland") == 0);
    if (waylandMeant && ProbeCompositor(facts.globals)) {
        facts.kind = kSessionWayland;
        facts.method = ChooseLockMethod(facts.globals);
        return facts;
    }
    if (Set("DISPLAY")) {
        auto previous = XSetErrorHandler(IgnoreError);
        if (Display* display = XOpenDisplay(nullptr)) {
            facts.kind = waylandMeant || XServerIsXWayland(display) ? kSessionXWayland : kSessionX11;
            XCloseDisplay(display);
        }
        XSetErrorHandler(previous);
    }
    return facts;
}

}  // namespace

int ChooseLockMethod(const WaylandGlobals& g) {
    if (!g.compositor || !g.shm || !g.seat || !g.output) return kWaylandLockNone;
    if (g.sessionLock) return kWaylandLockSessionLock;
    if (g.layerShell && g.inputInhibitor) return kWaylandLockLayerShell;
    if (g.xdgShell && g.shortcutsInhibit && g.pointerConstraints) return kWaylandLockFullscreen;
    return kWaylandLockNone;
}

const SessionFacts& Session() {
    static std::once_flag once;
    static SessionFacts facts;
    std::call_once(once, [] { facts = Gather(); });
    return facts;
}

int HookSessionKind() { return Session().kind; }
int WaylandLockMethod() { return Session().method; }
