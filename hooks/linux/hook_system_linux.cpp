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
#include <fcntl.h>
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
#include "key_code_linux.h"
#include "owner_thread.h"
#include "session_kind.h"
#include "shared_state.h"
#include "wayland_lock.h"

namespace {

// How long a grab that another client holds is retried, and how often.
constexpr int kGrabAttempts = 20;
constexpr int kGrabRetryMs = 50;
// While a grab is held it is taken again this often, so that one the server
// broke without telling is noticed.
constexpr int kGrabRecheckMs = 1000;
// Without detectable auto-repeat, how long a key release waits for the press
// that would make it half of a repeat (the server sends the two together,
// but they can arrive in separate reads).
constexpr int kRepeatPairMs = 50;

// The library's own connections. Their errors are ignored (a report window
// that is gone, as a refused PostMessage is), and losing one never ends the
// process: the handlers of the host program stay in charge of all others.
Display* ownDisplays[2] = {nullptr, nullptr};
XErrorHandler hostErrorHandler = nullptr;
XIOErrorHandler hostIOErrorHandler = nullptr;
std::atomic<bool> displayLost[2] = {{false}, {false}};

int OwnIndex(Display* d) {
    for (int i = 0; i < 2; ++i)
        if (d && ownDisplays[i] == d) return i;
    return -1;
}

int OnXError(Display* d, XErrorEvent* e) {
    if (OwnIndex(d) >= 0 || !hostErrorHandler) return 0;
    return hostErrorHandler(d, e);
}

int OnXIOError(Display* d) {
    if (OwnIndex(d) >= 0) return 0;  // the exit handler below follows
    return hostIOErrorHandler ? hostIOErrorHandler(d) : 0;
}

void OnOwnDisplayLost(Display*, void* index) { displayLost[reinterpret_cast<intptr_t>(index)] = true; }

// Opens one of the library's connections (0: the event thread's, 1: the idle
// query's) and hooks the error handlers in front of the host's, once.
Display* OpenOwnDisplay(int index) {
    static std::mutex handlerMutex;
    std::lock_guard<std::mutex> lock(handlerMutex);
    Display* d = XOpenDisplay(nullptr);
    if (!d) return nullptr;
    ownDisplays[index] = d;
    XSetIOErrorExitHandler(d, OnOwnDisplayLost, reinterpret_cast<void*>(static_cast<intptr_t>(index)));
    XErrorHandler previous = XSetErrorHandler(OnXError);
    if (previous != OnXError) hostErrorHandler = previous;
    XIOErrorHandler previousIO = XSetIOErrorHandler(OnXIOError);
    if (previousIO != OnXIOError) hostIOErrorHandler = previousIO;
    return d;
}

// Tokens that stand for the grabs as hook handles.
char keyboardToken, pointerToken, rawToken;
HHOOK Handle(char& token) { return reinterpret_cast<HHOOK>(&token); }

class EventThread {
public:
    // Runs fn on the event thread and waits for it. False when the thread
    // cannot run (no display).
    bool Run(const std::function<void()>& fn) {
        {
            std::lock_guard<std::mutex> lock(startMutex_);
            if (!StartLocked()) return false;
        }
        return thread_.Run(fn);
    }

    Display* display() const { return display_; }
    Window root() const { return root_; }
    int pendingNumLockReleases = 0;
    bool keyboardGrabbed = false, pointerGrabbed = false, rawSelected = false, hasXTest = false;
    // The keyboard grab of the lock being set up was refused: the pointer
    // grab that follows is tried once, not for another second.
    bool keyboardRefused = false;
    // Where the server does not support detectable auto-repeat, repeats
    // arrive as a release and a press with the same time: a release is held
    // back until the next key event shows which it is.
    bool detectableRepeat = true;
    bool releasePending = false;
    XKeyEvent pendingRelease{};
    bool motionPending = false;
    int xiOpcode = -1;
    Atom reportAtom = 0;
    unsigned char buttonMap[256] = {};
    int buttonMapSize = 0;

    void ReadButtonMap() { buttonMapSize = XGetPointerMapping(display_, buttonMap, sizeof buttonMap); }
    // The logical button of a device's button, as the left-handed map makes it.
    unsigned LogicalButton(unsigned physical) const {
        return physical >= 1 && static_cast<int>(physical) <= buttonMapSize ? buttonMap[physical - 1] : physical;
    }
    void FlushMotion();
    void FlushRelease();
    void RecheckGrabs();

private:
    bool StartLocked() {
        if (display_) return true;
        if (failed_) return false;
        display_ = OpenOwnDisplay(0);
        if (!display_) {
            failed_ = true;
            return false;
        }
        root_ = DefaultRootWindow(display_);
        reportAtom = XInternAtom(display_, HOOKWELL_REPORT_ATOM, False);
        Bool supported = False;
        // Auto-repeat arrives as press, press, press, release: the key table
        // then tells a repeat from a first press, as on Windows.
        detectableRepeat = XkbSetDetectableAutoRepeat(display_, True, &supported) && supported;
        ReadButtonMap();
        // A grab the server breaks (XKB's grab-break keys, a grab window
        // gone) shows as focus and crossing events of mode NotifyUngrab.
        XSelectInput(display_, root_, FocusChangeMask | EnterWindowMask | LeaveWindowMask);
        int event, error;
        if (XQueryExtension(display_, "XInputExtension", &xiOpcode, &event, &error)) {
            int major = 2, minor = 2;
            if (XIQueryVersion(display_, &major, &minor) != Success) xiOpcode = -1;
        }
        int xtestEvent, xtestError, xtestMajor, xtestMinor;
        hasXTest = XTestQueryExtension(display_, &xtestEvent, &xtestError, &xtestMajor, &xtestMinor);
        keymapEvent_ = SelectKeymapEvents(display_);
        XFlush(display_);
        return thread_.Start([this] { Loop(); });
    }

    void Loop() {
        pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {thread_.WakeFd(), POLLIN, 0}};
        for (;;) {
            while (!displayLost[0] && XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                Dispatch(event);
            }
            // Raw moves are reported once per batch, at the pointer's
            // latest place: one round trip instead of one per motion.
            FlushMotion();
            thread_.RunQueued();
            if (displayLost[0]) {
                // The server is gone, and every grab with it. Nothing more
                // runs here; later commands find the thread unable to run.
                thread_.Close();
                return;
            }
            XFlush(display_);
            if (XPending(display_)) continue;
            bool holding = keyboardGrabbed || pointerGrabbed;
            int ready = poll(fds, 2, releasePending ? kRepeatPairMs : holding ? kGrabRecheckMs : -1);
            if (ready == 0 && releasePending)
                FlushRelease();
            else if (ready == 0 && holding)
                RecheckGrabs();
        }
    }

public:
    // Events already sent by the server are handled first (a change of the
    // keymap that came before a question about it).
    void HandleSentEvents() {
        XSync(display_, False);
        while (!displayLost[0] && XPending(display_)) {
            XEvent event;
            XNextEvent(display_, &event);
            Dispatch(event);
        }
    }

private:
    void Dispatch(XEvent& event);
    void Key(const XKeyEvent& key, bool down);

    std::mutex startMutex_;
    OwnerThread thread_;
    Display* display_ = nullptr;
    Window root_ = 0;
    int keymapEvent_ = -1;
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
        const XKeyEvent& key = event.xkey;
        const bool down = event.type == KeyPress;
        if (!detectableRepeat) {
            // Without detectable auto-repeat a repeat is a release and a
            // press of the same key at the same time (at most 1 ms apart).
            // Such a release is dropped, and the key table shows the press as
            // the repeat it is; any other event lets the held-back release go.
            if (releasePending) {
                releasePending = false;
                if (!down || key.keycode != pendingRelease.keycode || key.time - pendingRelease.time > 1)
                    Key(pendingRelease, false);
            }
            if (!down) {
                pendingRelease = key;
                releasePending = true;
                return;
            }
        }
        Key(key, down);
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
        if (rawSelected && event.xcookie.evtype == XI_RawMotion) {
            motionPending = true;
        } else if (rawSelected && event.xcookie.evtype == XI_RawButtonPress) {
            // Raw events carry the device's button; the pointer map (a
            // left-handed one swaps 1 and 3) gives the button it acts as.
            unsigned button = LogicalButton(static_cast<unsigned>(static_cast<XIRawEvent*>(event.xcookie.data)->detail));
            uint32_t message = ButtonMessage(button, true);
            if (message) {
                FlushMotion();  // a move before the click is reported before it
                MouseEvent mouse{{0, 0}, nullptr, 0, 0};
                MouseReportProc(kHcAction, message, reinterpret_cast<intptr_t>(&mouse));
            }
        }
        XFreeEventData(display_, &event.xcookie);
        return;
    }
    case FocusIn:
    case FocusOut:
        if (event.xfocus.mode == NotifyUngrab && keyboardGrabbed) RecheckGrabs();
        return;
    case EnterNotify:
    case LeaveNotify:
        if (event.xcrossing.mode == NotifyUngrab && pointerGrabbed) RecheckGrabs();
        return;
    case MappingNotify:
        if (event.xmapping.request == MappingPointer) ReadButtonMap();
        else
            XRefreshKeyboardMapping(&event.xmapping), KeymapChanged();
        return;
    default:
        if (keymapEvent_ >= 0 && event.type == keymapEvent_) KeymapChanged();
        return;
    }
}

// Grabs with retries. For the keyboard, after the first refusal the focus
// moves to the root, which closes the menus that hold grabs in most toolkits;
// it goes back to where it was once the attempts are over.
template <typename Grab>
bool GrabWithRetry(Grab grab, bool keyboard, int attempts = kGrabAttempts) {
    Display* d = events.display();
    Window focus = None;
    int revert = RevertToPointerRoot;
    bool moved = false;
    bool granted = false;
    for (int attempt = 0; attempt < attempts && !granted; ++attempt) {
        if (grab() == GrabSuccess) {
            granted = true;
            break;
        }
        if (keyboard && !moved) {
            XGetInputFocus(d, &focus, &revert);
            XSetInputFocus(d, PointerRoot, RevertToPointerRoot, CurrentTime);
            moved = true;
        }
        XFlush(d);
        if (attempt + 1 < attempts) usleep(kGrabRetryMs * 1000);
    }
    if (moved && focus != None) XSetInputFocus(d, focus, revert, CurrentTime);
    return granted;
}

int GrabKeyboardNow() {
    return XGrabKeyboard(events.display(), events.root(), False, GrabModeAsync, GrabModeAsync, CurrentTime);
}

int GrabPointerNow() {
    return XGrabPointer(events.display(), events.root(), False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                        GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
}

void EventThread::Key(const XKeyEvent& key, bool down) {
    uint8_t vk = ReportedKeyCode(display_, key.keycode, key.state);
    if (!down && vk == kVkNumLock && pendingNumLockReleases > 0) {
        // The release half of our own synthetic Num Lock press.
        --pendingNumLockReleases;
        keyDownTable[vk] = 0;
        return;
    }
    bool alt = key.state & Mod1Mask, ctrl = key.state & ControlMask;
    LowLevelKeyEvent ll{vk, static_cast<uint32_t>(key.keycode), (down ? 0u : kLlkhfUp) | (alt ? kLlkhfAltDown : 0u),
                        static_cast<uint32_t>(key.time), 0};
    KeyboardLockProcLL(kHcAction, KeyMessageFor(down, vk, alt, ctrl), reinterpret_cast<intptr_t>(&ll));
}

// A held-back release that no press followed in time was a real one.
void EventThread::FlushRelease() {
    if (!releasePending) return;
    releasePending = false;
    if (keyboardGrabbed) Key(pendingRelease, false);
}

void EventThread::FlushMotion() {
    if (!motionPending) return;
    motionPending = false;
    if (!rawSelected) return;
    MouseEvent mouse{{0, 0}, nullptr, 0, 0};
    Window rootReturn, child;
    int wx, wy;
    unsigned mask;
    if (!XQueryPointer(display_, root_, &rootReturn, &child, &mouse.pt.x, &mouse.pt.y, &wx, &wy, &mask)) return;
    MouseReportProc(kHcAction, kWmMouseMove, reinterpret_cast<intptr_t>(&mouse));
}

// Takes the held grabs again: a grab this client still holds is simply
// renewed; one the server broke is taken back at once, or after the usual
// retries. If that fails the lock no longer holds, and the controller is told.
void EventThread::RecheckGrabs() {
    bool keyboardOk = !keyboardGrabbed || GrabKeyboardNow() == GrabSuccess ||
                      GrabWithRetry(GrabKeyboardNow, true);
    bool pointerOk = !pointerGrabbed || GrabPointerNow() == GrabSuccess || GrabWithRetry(GrabPointerNow, false);
    if (keyboardOk && pointerOk) return;
    if (keyboardGrabbed) XUngrabKeyboard(display_, CurrentTime);
    if (pointerGrabbed) XUngrabPointer(display_, CurrentTime);
    keyboardGrabbed = pointerGrabbed = false;
    pendingNumLockReleases = 0;
    releasePending = false;
    XFlush(display_);
    OnLockGrabLost();
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
        if (type == kWhKeyboardLL && procedure == HookProcedure::KeyboardLockLL) {
            events.pendingNumLockReleases = 0;
            events.releasePending = false;
            events.keyboardGrabbed = GrabWithRetry(GrabKeyboardNow, true);
            events.keyboardRefused = !events.keyboardGrabbed;
            if (events.keyboardGrabbed) handle = Handle(keyboardToken);
        } else if (type == kWhMouse && procedure == HookProcedure::MouseBlock) {
            // After a refused keyboard the lock cannot hold anyway: one try.
            events.pointerGrabbed = GrabWithRetry(GrabPointerNow, false, events.keyboardRefused ? 1 : kGrabAttempts);
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
            // A synthetic Num Lock release still on its way belongs to this
            // lock; the next one must not take the child's release for it.
            events.pendingNumLockReleases = 0;
            events.releasePending = false;
        } else if (hook == Handle(pointerToken) && events.pointerGrabbed) {
            XUngrabPointer(d, CurrentTime);
            events.pointerGrabbed = false;
        } else if (hook == Handle(rawToken) && events.rawSelected) {
            SelectRaw(false);
            events.rawSelected = false;
            events.motionPending = false;
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
        idleDisplay = OpenOwnDisplay(1);
        int event, error;
        if (idleDisplay && !XScreenSaverQueryExtension(idleDisplay, &event, &error)) {
            ownDisplays[1] = nullptr;
            XCloseDisplay(idleDisplay);
            idleDisplay = nullptr;
        }
    }
    if (!idleDisplay || displayLost[1]) return false;
    XScreenSaverInfo info{};
    if (!XScreenSaverQueryInfo(idleDisplay, DefaultRootWindow(idleDisplay), &info)) return false;
    time = HookTickCount() - static_cast<uint32_t>(info.idle);
    return true;
}

int16_t LockKeyForCharacter(char character) {
    if (UseWaylandAdapter()) return WaylandCharacterKey(character);
    int16_t key = -1;
    events.Run([&] {
        events.HandleSentEvents();  // a change of layout the server has told already
        key = CharacterKeyOnX(events.display(), character);
    });
    return key;
}

bool LockKeymapKnown() { return UseWaylandAdapter() ? WaylandKeymapKnown() : Session().kind == kSessionX11; }
