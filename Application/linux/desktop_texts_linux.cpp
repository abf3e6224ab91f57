#include "desktop_texts_linux.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "desktop_texts.h"
#include "lock_session.h"
#include "message_box_port.h"

static bool OnWayland() { return HookSessionKind() != kSessionX11; }

static std::string Desktop() {
    std::string desktop = std::getenv("XDG_CURRENT_DESKTOP") ? std::getenv("XDG_CURRENT_DESKTOP") : "";
    for (char& c : desktop) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return desktop;
}

const char* HookRefusalText() {
    switch (KeyboardHookRefusal()) {
        case kRefusalNoCompositor:
            return kNoCompositorText;
        case kRefusalNoSession:
            return kNoSessionText;
        case kRefusalNoMethod:
            return kNoLockMethodText;
        case kRefusalNotGranted:
            return WaylandLockMethod() == kWaylandLockFullscreen ? kFullscreenNotGrantedText : kNotGrantedText;
        case kRefusalRefused:
            return kLockRefusedByDesktopText;
        case kRefusalAwaitingPermission:
            return kAwaitingPermissionText;
        case kRefusalNoAnswer:
            return kNoAnswerText;
        default:
            return nullptr;
    }
}

const char* KeyboardOnlyRefusalText() { return OnWayland() ? kKeyboardOnlyRefusedText : nullptr; }

const char* KeptKeysText() {
    if (HookSessionKind() != kSessionWayland || WaylandLockMethod() != kWaylandLockFullscreen) return nullptr;
    const std::string desktop = Desktop();
    if (desktop.find("GNOME") != std::string::npos) return kGnomeKeptKeysText;
    if (desktop.find("KDE") != std::string::npos) return kKdeKeptKeysText;
    return kOtherKeptKeysText;
}

const char* IdleUnknownText() { return OnWayland() && !IdleTimeKnown() ? kIdleUnknownText : nullptr; }

void TellLeftOverSessionLock() {
    if (HookSessionKind() != kSessionWayland || WaylandLockMethod() != kWaylandLockSessionLock) return;
    switch (SessionLockLeftOver()) {
        case kLeftOverEnded:
            std::fprintf(stderr, "Bumblepad: %s\n", kLeftOverEndedText);
            break;
        case kLeftOverStuck: {
            char text[640];
            const char* socket = std::getenv("WAYLAND_DISPLAY");
            std::snprintf(text, sizeof text, kLeftOverStuckText, socket ? socket : "wayland-1");
            std::fprintf(stderr, "Bumblepad: %s\n", text);
            ShowMessageBox(text, "Error", kMbIconWarning);
            break;
        }
        default:
            break;
    }
}
