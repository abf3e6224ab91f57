// On X: the time from a key injected into the server (XTest) to its report
// arriving at the report window's connection, through the library's grab and
// event thread. Needs a display (run it under scripts/with-desktop.sh).
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "Hookwell.h"

namespace {

bool WaitForReport(Display* d, Atom report, int timeoutMs) {
    for (;;) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == ClientMessage && e.xclient.message_type == report) return true;
        }
        pollfd fd{ConnectionNumber(d), POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) <= 0) return false;
    }
}

void BM_InjectedKeyToReport(benchmark::State& state) {
    Display* controller = XOpenDisplay(nullptr);
    Display* injector = XOpenDisplay(nullptr);
    if (!controller || !injector) {
        state.SkipWithError("no X display");
        return;
    }
    Window window = XCreateSimpleWindow(controller, DefaultRootWindow(controller), 0, 0, 1, 1, 0, 0, 0);
    Atom report = XInternAtom(controller, HOOKWELL_REPORT_ATOM, False);
    XSync(controller, False);
    KeyboardHookRepeat(true);
    SetKeyboardHook(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), true, false);
    if (!KeyboardHookHolds()) {
        state.SkipWithError("the keyboard could not be grabbed");
        return;
    }
    KeyCode key = XKeysymToKeycode(injector, XK_q);
    std::vector<double> micros;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        XTestFakeKeyEvent(injector, key, True, CurrentTime);
        XFlush(injector);
        bool arrived = WaitForReport(controller, report, 1000);
        auto end = std::chrono::steady_clock::now();
        state.PauseTiming();
        XTestFakeKeyEvent(injector, key, False, CurrentTime);
        XSync(injector, False);
        state.ResumeTiming();
        if (!arrived) {
            state.SkipWithError("a report did not arrive");
            break;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    RemoveKeyboardHook(false);
    if (!micros.empty()) {
        std::sort(micros.begin(), micros.end());
        state.counters["p50_us"] = micros[micros.size() / 2];
        state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
        state.counters["max_us"] = micros.back();
    }
    XCloseDisplay(injector);
    XCloseDisplay(controller);
}
BENCHMARK(BM_InjectedKeyToReport)->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace
