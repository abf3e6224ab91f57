// The power and accessibility ports on Linux.
//
// Power: the "policy" is the pair of button actions this process asks for.
// Writing a policy in which the power and sleep buttons do nothing takes a
// systemd-logind inhibitor lock on the power, suspend and hibernate keys
// (mode "block"), and, where the desktop's power manager handles the key
// itself (GNOME, KDE), sets its power-key action to "nothing"; writing any
// other policy releases the lock and puts the desktop's setting back. The
// kernel closes the lock's file descriptor when the process dies; the
// desktop's setting is put back from its record by the watchdog when the
// process ends without its orderly close, or else at the next start
// (power_desktop_linux.cpp, watchdog_linux.cpp).
// The write answers false when nothing that handles the key took the change.
//
// Accessibility: the keyboard hot keys of the X keyboard extension's AccessX
// (Shift five times for StickyKeys, Shift held for SlowKeys) are one control,
// AccessXKeys, shown here as the hot-key bit of the StickyKeys record (one
// record only, so that saving the four records one after the other sees the
// control as the user had it). Clearing the bit disables the control and asks the server to
// switch it back on should this client go away before the lock ends (the
// watchdog, told of it, does the same where the display is still there);
// setting it restores it. Without XKB (or an X display) nothing changes.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstring>

#include "accessibility_port.h"
#include "power_desktop_linux.h"
#include "power_port.h"
#include "switches_linux.h"
#include "watchdog_linux.h"

namespace {

constexpr uint32_t kPowerActionSleep = 2;
constexpr uint32_t kPowerActionShutdownOff = 6;
constexpr uint32_t kOnBit = 0x1, kAvailableBit = 0x2;

int inhibitorFd = -1;

GlobalPowerPolicy SystemPolicy() {
    GlobalPowerPolicy p;
    std::memset(&p, 0, sizeof p);
    p.user.Revision = 1;
    p.mach.Revision = 1;
    p.user.PowerButtonAc.Action = p.user.PowerButtonDc.Action = kPowerActionShutdownOff;
    p.user.SleepButtonAc.Action = p.user.SleepButtonDc.Action = kPowerActionSleep;
    return p;
}

GlobalPowerPolicy currentPolicy = SystemPolicy();

bool ButtonsDoNothing(const GlobalPowerPolicy& p) {
    return p.user.PowerButtonAc.Action == kPowerActionNone && p.user.PowerButtonDc.Action == kPowerActionNone &&
           p.user.SleepButtonAc.Action == kPowerActionNone && p.user.SleepButtonDc.Action == kPowerActionNone;
}

int TakeInhibitor() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) return -1;
    sd_bus_set_method_call_timeout(bus, 3 * 1000 * 1000);
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    int fd = -1;
    int r = sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                               "org.freedesktop.login1.Manager", "Inhibit", &error, &reply, "ssss",
                               "handle-power-key:handle-suspend-key:handle-hibernate-key", "Bumblepad",
                               "The child lock holds the power and sleep keys", "block");
    int received = -1;
    if (r >= 0 && sd_bus_message_read(reply, "h", &received) >= 0 && received >= 0)
        fd = fcntl(received, F_DUPFD_CLOEXEC, 3);  // the message owns the one it carries
    sd_bus_message_unref(reply);
    sd_bus_error_free(&error);
    sd_bus_flush_close_unref(bus);
    return fd;
}

// ---- XKB ----
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

Display* XkbDisplay() {
    // Kept open for the life of the process: the auto-reset of the hot keys
    // is tied to this connection.
    static Display* display = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        XSetErrorHandler(IgnoreXError);
        int opcode, event, error, major = XkbMajorVersion, minor = XkbMinorVersion;
        display = XkbOpenDisplay(nullptr, &event, &error, &major, &minor, &opcode);
    }
    return display;
}

bool EnabledControls(unsigned& enabled) {
    Display* d = XkbDisplay();
    if (!d) return false;
    XkbDescPtr xkb = XkbGetKeyboard(d, XkbControlsMask, XkbUseCoreKbd);
    if (!xkb) return false;
    bool ok = XkbGetControls(d, XkbAllControlsMask, xkb) == Success && xkb->ctrls;
    if (ok) enabled = xkb->ctrls->enabled_ctrls;
    XkbFreeKeyboard(xkb, 0, True);
    return ok;
}

}  // namespace

bool ReadGlobalPowerPolicy(GlobalPowerPolicy& policy) {
    policy = currentPolicy;
    return true;
}

bool WriteGlobalPowerPolicy(const GlobalPowerPolicy& policy) {
    currentPolicy = policy;
    if (ButtonsDoNothing(policy)) {
        if (inhibitorFd < 0) inhibitorFd = TakeInhibitor();
        // Where the desktop handles the key, only its own setting counts.
        if (DesktopHandlesPowerKey()) return DesktopPowerKeyDoesNothing();
        return inhibitorFd >= 0;
    }
    if (inhibitorFd >= 0) {
        close(inhibitorFd);
        inhibitorFd = -1;
    }
    DesktopPowerKeyRestore();
    return true;
}

void RestorePowerButtonsLeftChanged() { RestoreDesktopPowerKeyLeftChanged(); }

// The logind inhibitor that holds the keys ends with the process, so no
// policy record is needed here.
void KeepPowerRecord(const GlobalPowerPolicy&) {}
bool PowerRecordLeft(GlobalPowerPolicy&) { return false; }
void DropPowerRecord() {}

bool GetActivePowerScheme(uint32_t& id) {
    id = 0;
    return true;
}

bool SetActivePowerScheme(uint32_t, const GlobalPowerPolicy*) { return true; }

bool GetAccessibilityParameters(uint32_t action, uint32_t size, void* record) {
    unsigned enabled = 0;
    if (!EnabledControls(enabled) || size < 8) return false;
    uint32_t flags = kAvailableBit;
    bool hotKeys = enabled & XkbAccessXKeysMask;
    switch (action) {
    case kSpiGetFilterKeys:
        if (enabled & (XkbSlowKeysMask | XkbBounceKeysMask)) flags |= kOnBit;
        break;
    case kSpiGetStickyKeys:
        if (enabled & XkbStickyKeysMask) flags |= kOnBit;
        if (hotKeys) flags |= kHotKeyActive;
        break;
    case kSpiGetMouseKeys:
        if (enabled & XkbMouseKeysMask) flags |= kOnBit;
        break;
    case kSpiGetToggleKeys:
        break;
    default:
        return false;
    }
    std::memset(static_cast<uint8_t*>(record) + 4, 0, size - 4);
    std::memcpy(static_cast<uint8_t*>(record) + 4, &flags, 4);
    return true;
}

bool SetAccessibilityParameters(uint32_t action, uint32_t size, void* record) {
    if (action != kSpiSetStickyKeys) return true;  // no hot-key control of their own here
    unsigned enabled = 0;
    if (size < 8 || !EnabledControls(enabled)) return false;
    uint32_t flags;
    std::memcpy(&flags, static_cast<uint8_t*>(record) + 4, 4);
    Display* d = XkbDisplay();
    bool want = flags & kHotKeyActive, have = enabled & XkbAccessXKeysMask;
    if (want != have) {
        if (!want) {
            // Should this process end before the lock does, the server puts
            // the hot keys back on.
            unsigned autoCtrls = XkbAccessXKeysMask, autoValues = XkbAccessXKeysMask;
            XkbSetAutoResetControls(d, XkbAccessXKeysMask, &autoCtrls, &autoValues);
        } else {
            unsigned none = 0;
            XkbSetAutoResetControls(d, XkbAccessXKeysMask, &none, &none);
        }
        XkbChangeEnabledControls(d, XkbUseCoreKbd, XkbAccessXKeysMask, want ? XkbAccessXKeysMask : 0);
        WatchdogAccessXOff(!want);  // the watchdog puts them back should this process end first
    }
    XSync(d, False);
    return true;
}

void RestoreAccessXHotKeys() {
    int opcode, event, error, major = XkbMajorVersion, minor = XkbMinorVersion;
    XSetErrorHandler(IgnoreXError);
    Display* d = XkbOpenDisplay(nullptr, &event, &error, &major, &minor, &opcode);
    if (!d) return;
    XkbDescPtr xkb = XkbGetKeyboard(d, XkbControlsMask, XkbUseCoreKbd);
    if (xkb && XkbGetControls(d, XkbAllControlsMask, xkb) == Success && xkb->ctrls &&
        !(xkb->ctrls->enabled_ctrls & XkbAccessXKeysMask))
        XkbChangeEnabledControls(d, XkbUseCoreKbd, XkbAccessXKeysMask, XkbAccessXKeysMask);
    if (xkb) XkbFreeKeyboard(xkb, 0, True);
    XCloseDisplay(d);
}
