// A small X client for the desktop tests of the hook library.
//   hook_probe lock ALLOW REPORT  - locks through the library; prints
//       "holds N", then one line per report ("key 0x41", "move X Y");
//       stdin commands: "repeat 0|1", "remove", "lock ALLOW REPORT",
//       "idle" (prints "idle MS"), "quit", "numlock-remove" (a Num Lock
//       press and release from this client, then at once the remove),
//       "spawn" (starts "sleep 60", prints "spawned PID"), "xerror" (makes
//       an X error on this client's own connection, prints "xerrors N": the
//       errors its own handler saw); a lost lock prints "lost".
//   HOOK_PROBE_NO_DETECTABLE_REPEAT=1 hook_probe lock ... - the same on a
//       server that "does not support" detectable auto-repeat (the
//       library's request is refused here; "repeat undetectable" is printed):
//       repeats then arrive as a release and a press with the same time.
//   hook_probe record             - a window "hook recorder" that prints the
//       key presses ("key NAME") and button presses ("button N") it receives.
//   hook_probe grab [spin|pointer] - holds a keyboard grab like an open
//       menu (spin: prints "trying" and tries without pause until it gets
//       one; pointer: a pointer grab instead), prints "grabbed", until stdin
//       closes.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <poll.h>
#include <spawn.h>
#include <time.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Hookwell.h"

static void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
static void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

static uint32_t Ticks() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + now.tv_nsec / 1000000);
}

// Answers the library's request in place of Xlib's (the program's symbol
// comes first), refusing it when the environment says so.
extern "C" Bool XkbSetDetectableAutoRepeat(Display* d, Bool detectable, Bool* supported) {
    if (getenv("HOOK_PROBE_NO_DETECTABLE_REPEAT")) {
        Say("repeat undetectable");
        if (supported) *supported = False;
        return False;
    }
    using Real = Bool (*)(Display*, Bool, Bool*);
    static auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "XkbSetDetectableAutoRepeat"));
    return real(d, detectable, supported);
}

static int probeErrors = 0;
static int CountError(Display*, XErrorEvent*) {
    ++probeErrors;
    return 0;
}

extern char** environ;

static int Lock(Display* d, const std::string& mode) {
    XSetErrorHandler(CountError);  // the host program's own handler
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 10, 10, 0, 0, 0);
    Atom report = XInternAtom(d, HOOKWELL_REPORT_ATOM, False);
    HWND handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(w));
    XFlush(d);
    auto start = [&](const char* flags) {
        int allow = 0, rep = 0;
        sscanf(flags, "%d %d", &allow, &rep);
        SetKeyboardHook(handle, allow != 0, rep != 0);
        Say("holds %d", KeyboardHookHolds() ? 1 : 0);
    };
    start(mode.c_str());
    pollfd fds[2] = {{ConnectionNumber(d), POLLIN, 0}, {0, POLLIN, 0}};
    std::string input;
    for (;;) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type != ClientMessage || e.xclient.message_type != report) continue;
            long message = e.xclient.data.l[0], wParam = e.xclient.data.l[1], lParam = e.xclient.data.l[2];
            if (message == WM_HOOK_KEY)
                Say("key 0x%lX", static_cast<unsigned long>(wParam));
            else if (message == WM_HOOK_MOUSEMOVE)
                Say("move %ld %ld", wParam, lParam);
            else if (message == WM_HOOK_LOST)
                Say("lost");
        }
        poll(fds, 2, -1);
        if (!(fds[1].revents & (POLLIN | POLLHUP))) continue;
        char buffer[256];
        ssize_t n = read(0, buffer, sizeof buffer);
        if (n <= 0) return 0;
        input.append(buffer, static_cast<size_t>(n));
        size_t end;
        while ((end = input.find('\n')) != std::string::npos) {
            std::string line = input.substr(0, end);
            input.erase(0, end + 1);
            if (line == "quit") return 0;
            if (line == "remove") {
                RemoveKeyboardHook(false);
                Say("removed holds %d", KeyboardHookHolds() ? 1 : 0);
            } else if (line.rfind("repeat ", 0) == 0) {
                KeyboardHookRepeat(line[7] == '1');
                Say("repeat %c", line[7]);
            } else if (line.rfind("lock ", 0) == 0) {
                start(line.c_str() + 5);
            } else if (line == "numlock-remove") {
                KeyCode code = XKeysymToKeycode(d, XK_Num_Lock);
                XTestFakeKeyEvent(d, code, True, CurrentTime);
                XTestFakeKeyEvent(d, code, False, CurrentTime);
                XSync(d, False);
                RemoveKeyboardHook(false);
                Say("nr done");
            } else if (line == "spawn") {
                pid_t pid;
                char sleepName[] = "sleep", sixty[] = "60";
                char* argv[] = {sleepName, sixty, nullptr};
                if (posix_spawnp(&pid, "sleep", nullptr, nullptr, argv, environ) == 0) Say("spawned %d", pid);
            } else if (line == "xerror") {
                XWindowAttributes attributes;
                XGetWindowAttributes(d, 0x1FFFFFFF, &attributes);  // no such window
                XSync(d, False);
                Say("xerrors %d", probeErrors);
            } else if (line == "idle") {
                Say("idle %u", Ticks() - static_cast<uint32_t>(GetLastInput()));
            }
        }
    }
}

static int Record(Display* d) {
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 100, 100, 300, 200, 0, 0, 0xFFFFFF);
    XStoreName(d, w, "hook recorder");
    XSelectInput(d, w, KeyPressMask | ButtonPressMask | ExposureMask);
    XMapRaised(d, w);
    XFlush(d);
    Say("window %lu", w);
    for (;;) {
        XEvent e;
        XNextEvent(d, &e);
        if (e.type == KeyPress) {
            KeySym sym = XLookupKeysym(&e.xkey, 0);
            const char* name = XKeysymToString(sym);
            Say("key %s", name ? name : "?");
        } else if (e.type == ButtonPress) {
            Say("button %u", e.xbutton.button);
        }
    }
}

static int Grab(Display* d, const std::string& how) {
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 50, 50, 0, 0, 0);
    XMapRaised(d, w);
    XSync(d, False);
    const bool spin = how == "spin", pointer = how == "pointer";
    if (spin) Say("trying");
    for (int i = 0; i < (spin ? 3000000 : 100); ++i) {
        int result = pointer ? XGrabPointer(d, w, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None,
                                            CurrentTime)
                             : XGrabKeyboard(d, w, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        if (result == GrabSuccess) {
            XSync(d, False);
            Say("grabbed");
            char c;
            while (read(0, &c, 1) > 0) {}
            return 0;
        }
        if (!spin) usleep(20000);
    }
    Say("no grab");
    return 1;
}

int main(int argc, char** argv) {
    Display* d = XOpenDisplay(nullptr);
    if (!d || argc < 2) return 2;
    std::string what = argv[1];
    if (what == "lock") {
        int code = Lock(d, argc >= 4 ? std::string(argv[2]) + " " + argv[3] : "0 0");
        XCloseDisplay(d);
        return code;
    }
    if (what == "record") return Record(d);
    if (what == "grab") return Grab(d, argc >= 3 ? argv[2] : "");
    return 2;
}
