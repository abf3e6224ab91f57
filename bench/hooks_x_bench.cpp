// On X: the time from a key injected into the server (XTest) to its report
// arriving at the report window's connection, through the library's grab and
// event thread; and, for the reported mouse, how many pointer queries (one
// round trip and one move report each) a burst of raw motions costs. Needs a
// display (run it under scripts/with-desktop.sh).
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

// A burst of device motions (XTest relative moves of one pixel, flushed
// together, as a fast mouse gives them) until the report of its last place
// arrives. Raw motions are coalesced: each move report is one XQueryPointer
// of the library, so moves_per_burst against the burst's length is the
// saving; query_us is what one such round trip costs on its own.
void BM_RawMotionBurstToReport(benchmark::State& state) {
    const int burst = static_cast<int>(state.range(0));
    Display* controller = XOpenDisplay(nullptr);
    Display* injector = XOpenDisplay(nullptr);
    if (!controller || !injector) {
        state.SkipWithError("no X display");
        return;
    }
    Window root = DefaultRootWindow(injector);
    Window window = XCreateSimpleWindow(controller, DefaultRootWindow(controller), 0, 0, 1, 1, 0, 0, 0);
    Atom report = XInternAtom(controller, HOOKWELL_REPORT_ATOM, False);
    XSync(controller, False);
    SetKeyboardHook(reinterpret_cast<HWND>(static_cast<uintptr_t>(window)), true, true);
    if (!KeyboardHookHolds()) {
        state.SkipWithError("the keyboard could not be grabbed");
        return;
    }
    const int startX = 100, y = 300;
    long moves = 0;
    for (auto _ : state) {
        state.PauseTiming();
        XWarpPointer(injector, None, root, 0, 0, 0, 0, startX, y);  // a warp is no device motion: not reported
        XSync(injector, False);
        while (XPending(controller)) {
            XEvent e;
            XNextEvent(controller, &e);
        }
        state.ResumeTiming();
        for (int i = 0; i < burst; ++i) XTestFakeRelativeMotionEvent(injector, 1, 0, CurrentTime);
        XFlush(injector);
        bool arrived = false;
        while (!arrived) {
            XEvent e;
            if (!XPending(controller)) {
                pollfd fd{ConnectionNumber(controller), POLLIN, 0};
                if (poll(&fd, 1, 1000) <= 0) break;
                continue;
            }
            XNextEvent(controller, &e);
            if (e.type != ClientMessage || e.xclient.message_type != report ||
                e.xclient.data.l[0] != WM_HOOK_MOUSEMOVE)
                continue;
            ++moves;
            arrived = e.xclient.data.l[1] == startX + burst;
        }
        if (!arrived) {
            state.SkipWithError("the last place was not reported");
            break;
        }
    }
    RemoveKeyboardHook(false);
    state.counters["moves_per_burst"] =
        benchmark::Counter(static_cast<double>(moves), benchmark::Counter::kAvgIterations);
    Window rootReturn, child;
    int rx, ry, wx, wy;
    unsigned mask;
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 200; ++i) XQueryPointer(injector, root, &rootReturn, &child, &rx, &ry, &wx, &wy, &mask);
    state.counters["query_us"] =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / 200;
    XCloseDisplay(injector);
    XCloseDisplay(controller);
}
BENCHMARK(BM_RawMotionBurstToReport)->Arg(16)->Arg(64)->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace
