// The hook library's session lock (ext-session-lock-v1) against a compositor
// of the test's own (fake_compositor.h), for what no real compositor can be
// made to do on demand: end a lock it granted, and keep a lock that a
// stopped controller left from being taken over.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "Hookwell.h"
#include "fake_compositor.h"
#include "lock_session.h"

namespace {

std::atomic<int> lostReports{0};
void Receive(HWND, uint32_t message, uintptr_t, intptr_t) {
    if (message == WM_HOOK_LOST) ++lostReports;
}

HWND Window() { return reinterpret_cast<HWND>(0x1234); }

template <typename F>
bool Within(int ms, F done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// One compositor for the whole program: the library decides the kind of
// session once per process.
class SessionLockTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        char folder[] = "/tmp/bumblepad-fake-wayland-XXXXXX";
        runtime = mkdtemp(folder);
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        unsetenv("DISPLAY");
        compositor = new FakeCompositor(false);
        setenv("WAYLAND_DISPLAY", compositor->Socket().c_str(), 1);
        marker = runtime + "/bumblepad-session-lock-" + compositor->Socket();
        SetHookReportReceiver(Receive);
    }
    static void TearDownTestSuite() {
        delete compositor;
        std::system(("rm -rf " + runtime).c_str());
    }
    static FakeCompositor* compositor;
    static std::string runtime, marker;
};
FakeCompositor* SessionLockTest::compositor;
std::string SessionLockTest::runtime, SessionLockTest::marker;

// A controller that was killed during a session lock left its marker; the
// compositor keeps the session locked by another locker now and refuses the
// new controller's lock: it says the lock is stuck (the controller then tells
// the parent how to end it) and keeps the marker for the next start.
TEST_F(SessionLockTest, ALockLeftBehindThatCannotBeTakenOverIsReportedStuck) {
    std::ofstream(marker) << "12345\n";
    ASSERT_EQ(HookSessionKind(), kSessionWayland);
    ASSERT_EQ(WaylandLockMethod(), kWaylandLockSessionLock);
    EXPECT_EQ(SessionLockLeftOver(), kLeftOverStuck);
    EXPECT_EQ(compositor->LocksAsked(), 1);
    EXPECT_EQ(compositor->LocksUnlocked(), 0);  // a refused lock is never unlocked
    EXPECT_TRUE(Exists(marker));
    // A lock asked for now is refused too, and said so.
    SetKeyboardHook(Window(), false, false);
    EXPECT_FALSE(KeyboardHookHolds());
    EXPECT_EQ(KeyboardHookRefusal(), kRefusalRefused);
    RemoveKeyboardHook(false);
}

// "finished" after "locked": the compositor ended the lock. It is lost, never
// claimed: the controller gets WM_HOOK_LOST within a second, the hold is
// gone, and the next lock (the automatic lock's next try) is granted again
// and ends normally.
TEST_F(SessionLockTest, ALockTheCompositorEndsAfterGrantingItIsLost) {
    compositor->Grant(true);
    std::remove(marker.c_str());
    const int lost = lostReports, unlocked = compositor->LocksUnlocked();
    SetKeyboardHook(Window(), false, false);
    ASSERT_TRUE(KeyboardHookHolds());
    EXPECT_TRUE(Exists(marker));  // the session is locked by this controller

    ASSERT_EQ(compositor->FinishLocks(), 1);
    EXPECT_TRUE(Within(1000, [&] { return lostReports > lost; }));
    EXPECT_FALSE(KeyboardHookHolds());
    EXPECT_FALSE(Exists(marker));
    RemoveKeyboardHook(false);
    EXPECT_EQ(compositor->LocksUnlocked(), unlocked);  // a finished lock is destroyed, not unlocked

    SetKeyboardHook(Window(), false, false);
    EXPECT_TRUE(KeyboardHookHolds());
    RemoveKeyboardHook(false);
    EXPECT_TRUE(Within(1000, [&] { return compositor->LocksUnlocked() == unlocked + 1; }));
    EXPECT_FALSE(Exists(marker));
    EXPECT_EQ(lostReports, lost + 1);
}

}  // namespace
