// The hook system on X. The library locks the whole display the way screen
// lockers do: an active keyboard grab on the root window (and a pointer grab
// in the blocking mode), taken by an event thread of its own with its own
// Display connection. That thread turns the grabbed events into the inputs of
// the same hook procedures the Windows build installs, and "posts" their
// reports as ClientMessage events to the report window (whose handle is its X
// window id). Reported mouse input is seen through XInput2 raw events, which
// arrive whatever grabs other clients hold, so the mouse keeps working.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/keysym.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "hook_procs.h"
#include "hook_rules.h"
#include "hook_system_port.h"
#include "session_kind.h"
#include "shared_state.h"
#include "wayland_lock.h"

namespace {

// How long a grab that another client holds is retried, and how often.
constexpr int kGrabAttempts = 20;
constexpr int kGrabRetryMs = 50;

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// Tokens that stand for the grabs as hook handles.
char keyboardToken, pointerToken, rawToken;
HHOOK Handle(char& token) { return reinterpret_cast<HHOOK>(&token); }

class EventThread {
public:
    // Runs fn on the event thread and waits for it. False when the thread
    // cannot run (no display).
    bool Run(const std::function<void()>& fn) {
        if (std::this_thread::get_id() == threadId_) {
            fn();
            return true;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        if (!StartLocked()) return false;
        bool done = false;
        commands_.push_back([&] {
            fn();
            std::lock_guard<std::mutex> g(mutex_);
            done = true;
            doneSignal_.notify_all();
        });
        char byte = 1;
        if (write(wake_[1], &byte, 1) < 0) {}
        doneSignal_.wait(lock, [&] { return done; });
        return true;
    }

    Display* display() const { return display_; }
    Window root() const { return root_; }
    int pendingNumLockReleases = 0;
    bool keyboardGrabbed = false, pointerGrabbed = false, rawSelected = false, hasXTest = false;
    int xiOpcode = -1;
    Atom reportAtom = 0;

private:
    bool StartLocked() {
        if (display_) return true;
        if (failed_) return false;
        XSetErrorHandler(IgnoreXError);
        display_ = XOpenDisplay(nullptr);
        if (!display_ || pipe(wake_) != 0) {
            failed_ = true;
            return false;
        }
        root_ = DefaultRootWindow(display_);
        reportAtom = XInternAtom(display_, HOOKWELL_REPORT_ATOM, False);
        Bool supported = False;
        // Auto-repeat arrives as press, press, press, release: the key table
        // then tells a repeat from a first press, as on Windows.
        XkbSetDetectableAutoRepeat(display_, True, &supported);
        int event, error;
        if (XQueryExtension(display_, "XInputExtension", &xiOpcode, &event, &error)) {
            int major = 2, minor = 2;
            if (XIQueryVersion(display_, &major, &minor) != Success) xiOpcode = -1;
        }
        int xtestEvent, xtestError, xtestMajor, xtestMinor;
        hasXTest = XTestQueryExtension(display_, &xtestEvent, &xtestError, &xtestMajor, &xtestMinor);
        XFlush(display_);
        std::thread thread([this] { Loop(); });
        threadId_ = thread.get_id();
        thread.detach();
        return true;
    }

    void Loop() {
        pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wake_[0], POLLIN, 0}};
        for (;;) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                Dispatch(event);
            }
            std::deque<std::function<void()>> commands;
            {
                std::lock_guard<std::mutex> g(mutex_);
                commands.swap(commands_);
            }
            for (auto& c : commands) c();
            XFlush(display_);
            if (XPending(display_)) continue;
            poll(fds, 2, -1);
            if (fds[1].revents & POLLIN) {
                char buffer[64];
                if (read(wake_[0], buffer, sizeof buffer) < 0) {}
            }
        }
    }

    void Dispatch(XEvent& event);

    std::mutex mutex_;
    std::condition_variable doneSignal_;
    std::deque<std::function<void()>> commands_;
    std::atomic<std::thread::id> threadId_{};
    Display* display_ = nullptr;
    Window root_ = 0;
    int wake_[2] = {-1, -1};
    bool failed_ = false;
};

// Never destroyed: its thread runs until the process ends.
EventThread& events = *new EventThread;

uint32_t ButtonMessage(unsigned button, bool press) {
    switch (button) {
    case 1: return press ? kWmLButtonDown : kWmLButtonUp;
    case 2: return press ? kWmMButtonDown : 0x208;
    case 3: return press ? kWmRButtonDown : kWmRButtonUp;
    case 4: case 5: case 6: case 7: return press ? kWmMouseWheel : 0;  // one notch per press
    default: return 0;
    }
}

void EventThread::Dispatch(XEvent& event) {
    switch (event.type) {
    case KeyPress:
    case KeyRelease: {
        if (!keyboardGrabbed) return;
        XKeyEvent& key = event.xkey;
        bool down = event.type == KeyPress;
        KeySym keysym = XkbKeycodeToKeysym(display_, static_cast<KeyCode>(key.keycode), 0, 0);
        uint8_t vk = VirtualKeyFromKeysym(static_cast<uint32_t>(keysym));
        if (vk == 0) vk = 0xFF;  // a key without a virtual-key code of its own
        if (!down && vk == kVkNumLock && pendingNumLockReleases > 0) {
            // The release half of our own synthetic Num Lock press.
            --pendingNumLockReleases;
            keyDownTable[vk] = 0;
            return;
        }
        bool alt = key.state & Mod1Mask, ctrl = key.state & ControlMask;
        LowLevelKeyEvent ll{vk, key.keycode, (down ? 0u : kLlkhfUp) | (alt ? kLlkhfAltDown : 0u),
                            static_cast<uint32_t>(key.time), 0};
        KeyboardLockProcLL(kHcAction, KeyMessageFor(down, vk, alt, ctrl), reinterpret_cast<intptr_t>(&ll));
        return;
    }
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify: {
        if (!pointerGrabbed) return;
        MouseEvent mouse{{event.xbutton.x_root, event.xbutton.y_root}, nullptr, 0, 0};
        uint32_t message = event.type == MotionNotify ? kWmMouseMove
                                                      : ButtonMessage(event.xbutton.button, event.type == ButtonPress);
        MouseBlockProc(kHcAction, message, reinterpret_cast<intptr_t>(&mouse));
        return;
    }
    case GenericEvent: {
        if (event.xcookie.extension != xiOpcode || !XGetEventData(display_, &event.xcookie)) return;
        if (rawSelected && (event.xcookie.evtype == XI_RawButtonPress || event.xcookie.evtype == XI_RawMotion)) {
            MouseEvent mouse{{0, 0}, nullptr, 0, 0};
            Window rootReturn, child;
            int wx, wy;
            unsigned mask;
            XQueryPointer(display_, root_, &rootReturn, &child, &mouse.pt.x, &mouse.pt.y, &wx, &wy, &mask);
            uint32_t message = kWmMouseMove;
            if (event.xcookie.evtype == XI_RawButtonPress)
                message = ButtonMessage(static_cast<XIRawEvent*>(event.xcookie.data)->detail, true);
            if (message) MouseReportProc(kHcAction, message, reinterpret_cast<intptr_t>(&mouse));
        }
        XFreeEventData(display_, &event.xcookie);
        return;
    }
    default:
        return;
    }
}

// Grabs with retries; after the first refusal the focus moves to the root,
// which closes the menus that hold grabs in most toolkits.
template <typename Grab>
bool GrabWithRetry(Grab grab) {
    for (int attempt = 0; attempt < kGrabAttempts; ++attempt) {
        if (grab() == GrabSuccess) return true;
        if (attempt == 0) XSetInputFocus(events.display(), PointerRoot, RevertToPointerRoot, CurrentTime);
        XFlush(events.display());
        usleep(kGrabRetryMs * 1000);
    }
    return false;
}

void SelectRaw(bool on) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on) {
        XISetMask(bits, XI_RawButtonPress);
        XISetMask(bits, XI_RawMotion);
    }
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(events.display(), events.root(), &mask, 1);
}

}  // namespace

HHOOK InstallHook(int type, HookProcedure procedure) {
    if (UseWaylandAdapter()) return WaylandInstallHook(type, procedure);
    HHOOK handle = nullptr;
    events.Run([&] {
        Display* d = events.display();
        Window root = events.root();
        if (type == kWhKeyboardLL && procedure == HookProcedure::KeyboardLockLL) {
            events.keyboardGrabbed =
                GrabWithRetry([&] { return XGrabKeyboard(d, root, False, GrabModeAsync, GrabModeAsync, CurrentTime); });
            if (events.keyboardGrabbed) handle = Handle(keyboardToken);
        } else if (type == kWhMouse && procedure == HookProcedure::MouseBlock) {
            events.pointerGrabbed = GrabWithRetry([&] {
                return XGrabPointer(d, root, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                                    GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
            });
            if (events.pointerGrabbed) handle = Handle(pointerToken);
        } else if (type == kWhMouse && procedure == HookProcedure::MouseReport && events.xiOpcode >= 0) {
            SelectRaw(true);
            events.rawSelected = true;
            handle = Handle(rawToken);
        }
        // The classic keyboard hook and the tracker hooks have no use here: the
        // library answers as the NT family and the idle time comes from the
        // screen-saver extension.
        XSync(d, False);
    });
    return handle;
}

bool RemoveHook(HHOOK hook) {
    if (UseWaylandAdapter()) return WaylandRemoveHook(hook);
    bool known = hook == Handle(keyboardToken) || hook == Handle(pointerToken) || hook == Handle(rawToken);
    if (!known) return false;
    events.Run([&] {
        Display* d = events.display();
        if (hook == Handle(keyboardToken) && events.keyboardGrabbed) {
            XUngrabKeyboard(d, CurrentTime);
            events.keyboardGrabbed = false;
        } else if (hook == Handle(pointerToken) && events.pointerGrabbed) {
            XUngrabPointer(d, CurrentTime);
            events.pointerGrabbed = false;
        } else if (hook == Handle(rawToken) && events.rawSelected) {
            SelectRaw(false);
            events.rawSelected = false;
        }
        XSync(d, False);
    });
    return true;
}

intptr_t CallNextHook(HHOOK, int, uintptr_t, intptr_t) { return 0; }

void PostReport(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (UseWaylandAdapter()) return WaylandPostReport(window, message, wParam, lParam);
    if (!window) return;
    events.Run([&] {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = static_cast<Window>(reinterpret_cast<uintptr_t>(window));
        event.xclient.message_type = events.reportAtom;
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(message);
        event.xclient.data.l[1] = static_cast<long>(wParam);
        event.xclient.data.l[2] = static_cast<long>(lParam);
        XSendEvent(events.display(), event.xclient.window, False, NoEventMask, &event);
        XFlush(events.display());
    });
}

void SetScreenSaverRunning(bool, int32_t*) {}

void SynthesizeKey(uint8_t vk, uint8_t, uint32_t) {
    if (UseWaylandAdapter()) return WaylandSynthesizeKey(vk, 0, 0);
    if (vk != kVkNumLock) return;
    events.Run([&] {
        Display* d = events.display();
        KeyCode code = XKeysymToKeycode(d, XK_Num_Lock);
        if (!code || !events.hasXTest) return;
        // A press and its release: the press comes back through the grab and is
        // reported like any key; the release is recognised as ours. Num Lock,
        // toggled by the child's press, is toggled back.
        ++events.pendingNumLockReleases;
        XTestFakeKeyEvent(d, code, True, CurrentTime);
        XTestFakeKeyEvent(d, code, False, CurrentTime);
        XFlush(d);
    });
}

uint32_t HookTickCount() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + now.tv_nsec / 1000000);
}

bool QueryLastInputTime(uint32_t& time) {
    if (UseWaylandAdapter()) return WaylandQueryLastInputTime(time);
    // A connection of its own for the controller's thread, which asks here.
    static std::mutex idleMutex;
    static Display* idleDisplay = nullptr;
    static bool opened = false;
    std::lock_guard<std::mutex> lock(idleMutex);
    if (!opened) {
        opened = true;
        XSetErrorHandler(IgnoreXError);
        idleDisplay = XOpenDisplay(nullptr);
        int event, error;
        if (idleDisplay && !XScreenSaverQueryExtension(idleDisplay, &event, &error)) {
            XCloseDisplay(idleDisplay);
            idleDisplay = nullptr;
        }
    }
    if (!idleDisplay) return false;
    XScreenSaverInfo info{};
    if (!XScreenSaverQueryInfo(idleDisplay, DefaultRootWindow(idleDisplay), &info)) return false;
    time = HookTickCount() - static_cast<uint32_t>(info.idle);
    return true;
}
