// The hook library against a compositor of the test's own (fake_compositor.h)
// that is slow to answer the first contact, as a loaded machine's is: in a
// program of its own, since the library connects once per process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Hookwell.h"
#include "fake_compositor.h"
#include "lock_session.h"

namespace {

// The lock that comes while the compositor says nothing within the bound is
// refused as unanswered; the next one, once it answers again, holds: the
// half-made first connection is not taken for a ready one (which knew no way
// to lock and refused every lock after it).
TEST(SlowCompositor, ALockRefusedWhileTheCompositorWasSlowHoldsOnceItAnswers) {
    char folder[] = "/tmp/bumblepad-fake-wayland-XXXXXX";
    const std::string runtime = mkdtemp(folder);
    setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    unsetenv("DISPLAY");
    {
        FakeCompositor compositor(true);
        setenv("WAYLAND_DISPLAY", compositor.Socket().c_str(), 1);
        ASSERT_EQ(HookSessionKind(), kSessionWayland);
        ASSERT_EQ(WaylandLockMethod(), kWaylandLockSessionLock);
        HWND window = reinterpret_cast<HWND>(0x1234);

        compositor.Stall(2500);
        SetKeyboardHook(window, false, false);
        EXPECT_FALSE(KeyboardHookHolds());
        EXPECT_EQ(KeyboardHookRefusal(), kRefusalNoAnswer);
        RemoveKeyboardHook(false);

        compositor.LocksAsked();  // (answered once the stall is over)
        SetKeyboardHook(window, false, false);
        EXPECT_TRUE(KeyboardHookHolds());
        EXPECT_EQ(KeyboardHookRefusal(), kRefusalNone);
        RemoveKeyboardHook(false);
        EXPECT_EQ(compositor.LocksAsked(), 1);
    }
    std::system(("rm -rf " + runtime).c_str());
}

}  // namespace
