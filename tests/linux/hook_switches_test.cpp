// The Linux power and accessibility switches against real services: the
// keyboard extension of a private Xvfb server, and a mock logind
// (python3-dbusmock) on a private bus standing in for the system bus.
#include <gtest/gtest.h>
// After gtest: X defines None and Bool as macros.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "power_port.h"
#include "switches.h"
#include "test_processes.h"

using namespace test_processes;

namespace {

unsigned Enabled(Display* d) {
    XkbDescPtr xkb = XkbGetKeyboard(d, XkbControlsMask, XkbUseCoreKbd);
    XkbGetControls(d, XkbAllControlsMask, xkb);
    unsigned enabled = xkb->ctrls->enabled_ctrls;
    XkbFreeKeyboard(xkb, 0, True);
    return enabled;
}

void SetEnabled(Display* d, unsigned mask, bool on) {
    XkbChangeEnabledControls(d, XkbUseCoreKbd, mask, on ? mask : 0);
    XSync(d, False);
}

void PressShift(Display* d, int times) {
    KeyCode shift = XKeysymToKeycode(d, XK_Shift_L);
    for (int i = 0; i < times; ++i) {
        XTestFakeKeyEvent(d, shift, True, CurrentTime);
        XTestFakeKeyEvent(d, shift, False, CurrentTime);
        XSync(d, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
}

// The server has handled every key pressed before: Control, pressed after
// them, shows in the keyboard's state (the server takes keys in order).
bool KeysBeforeHandled(Display* d) {
    KeyCode control = XKeysymToKeycode(d, XK_Control_L);
    XTestFakeKeyEvent(d, control, True, CurrentTime);
    XSync(d, False);
    const bool seen = WaitFor([&] {
        XkbStateRec state{};
        XkbGetState(d, XkbUseCoreKbd, &state);
        return (state.mods & ControlMask) != 0;
    });
    XTestFakeKeyEvent(d, control, False, CurrentTime);
    XSync(d, False);
    return seen;
}

// A controller in another process (this program in its child mode) that has
// switched WHAT ("accessx" or "power") and waits; Kill ends it as a crash
// would.
struct SwitchedChild {
    pid_t pid = -1;
    bool switched = false;
    explicit SwitchedChild(const char* what) {
        int ready[2];
        if (pipe(ready) != 0) return;
        setenv("HOOK_SWITCHES_CHILD", what, 1);
        pid = Spawn({"/proc/self/exe"}, -1, ready[1]);
        unsetenv("HOOK_SWITCHES_CHILD");
        close(ready[1]);
        char c = 0;
        switched = pid > 0 && read(ready[0], &c, 1) == 1;
        close(ready[0]);
    }
    void Kill() {
        Stop(pid, SIGKILL);
        pid = -1;
    }
    ~SwitchedChild() { Kill(); }
};

class AccessX : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(ProcessX().name.empty()) << "Xvfb did not start";
        d = XOpenDisplay(ProcessX().name.c_str());
        ASSERT_NE(d, nullptr);
        SetEnabled(d, XkbStickyKeysMask, false);
        SetEnabled(d, XkbAccessXKeysMask, true);  // Xvfb starts with the hot keys off
        // The user's own other choices, which the lock must leave alone.
        SetEnabled(d, XkbRepeatKeysMask | XkbAudibleBellMask, true);
        userControls = Enabled(d);
    }
    void TearDown() override {
        if (d) XCloseDisplay(d);
    }
    Display* d = nullptr;
    unsigned userControls = 0;
};

TEST_F(AccessX, ShiftFiveTimesTurnsStickyKeysOnWithoutALock) {
    PressShift(d, 5);
    EXPECT_TRUE(WaitFor([&] { return (Enabled(d) & XkbStickyKeysMask) != 0; }, 1000));
    SetEnabled(d, XkbStickyKeysMask, false);
}

TEST_F(AccessX, DuringTheLockTheHotKeysAreOffAndAfterItTheUsersControlsAreBackExactly) {
    SetAccessibilityHotkeys(true);
    EXPECT_EQ(Enabled(d) & XkbAccessXKeysMask, 0u);
    PressShift(d, 5);
    ASSERT_TRUE(KeysBeforeHandled(d));
    EXPECT_EQ(Enabled(d) & XkbStickyKeysMask, 0u) << "Shift five times toggled StickyKeys during the lock";
    SetAccessibilityHotkeys(false);
    EXPECT_EQ(Enabled(d), userControls);
}

TEST_F(AccessX, AHotKeysOffUserSeesNoChange) {
    SetEnabled(d, XkbAccessXKeysMask, false);
    unsigned before = Enabled(d);
    SetAccessibilityHotkeys(true);
    EXPECT_EQ(Enabled(d), before);
    SetAccessibilityHotkeys(false);
    EXPECT_EQ(Enabled(d), before);
}

TEST_F(AccessX, AControllerKilledMidLockGetsTheHotKeysPutBackByTheServer) {
    SwitchedChild child("accessx");
    ASSERT_TRUE(child.switched);
    EXPECT_EQ(Enabled(d) & XkbAccessXKeysMask, 0u);
    child.Kill();
    EXPECT_TRUE(WaitFor([&] { return (Enabled(d) & XkbAccessXKeysMask) != 0; }, 3000));
}

// ---- a mock logind on a private bus ----
class MockLogind : public ::testing::Test {
protected:
    void SetUp() override {
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        busDaemon = Spawn({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, out[1]);
        close(out[1]);
        if (busDaemon <= 0) GTEST_SKIP() << "no dbus-daemon";
        char buffer[512] = {};
        ssize_t n = read(out[0], buffer, sizeof buffer - 1);
        close(out[0]);
        ASSERT_GT(n, 0);
        address.assign(buffer, static_cast<size_t>(n));
        while (!address.empty() && (address.back() == '\n' || address.back() == '\0')) address.pop_back();
        setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
        int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
        mock = Spawn({access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3", "-m", "dbusmock",
                      "--template", "logind"},
                     quiet);
        close(quiet);
        if (!WaitFor([&] { return Inhibitors().first; }, 10000)) GTEST_SKIP() << "python3-dbusmock did not start";
    }
    void TearDown() override {
        Stop(mock);
        Stop(busDaemon);
        unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
    // (answered, the inhibitors as "what|who|mode")
    std::pair<bool, std::vector<std::string>> Inhibitors() {
        std::vector<std::string> list;
        sd_bus* bus = nullptr;
        if (sd_bus_open_system(&bus) < 0) return {false, list};
        sd_bus_error error = SD_BUS_ERROR_NULL;
        sd_bus_message* reply = nullptr;
        bool ok = sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                                     "org.freedesktop.login1.Manager", "ListInhibitors", &error, &reply, "") >= 0;
        if (ok && sd_bus_message_enter_container(reply, 'a', "(ssssuu)") >= 0) {
            const char *what, *who, *why, *mode;
            uint32_t uid, pid;
            while (sd_bus_message_read(reply, "(ssssuu)", &what, &who, &why, &mode, &uid, &pid) > 0)
                list.push_back(std::string(what) + "|" + who + "|" + mode);
        }
        sd_bus_message_unref(reply);
        sd_bus_error_free(&error);
        sd_bus_flush_close_unref(bus);
        return {ok, list};
    }
    size_t Count() { return Inhibitors().second.size(); }
    pid_t busDaemon = -1, mock = -1;
    std::string address;
};

const char* const kOurs = "handle-power-key:handle-suspend-key:handle-hibernate-key|Bumblepad|block";

TEST_F(MockLogind, DisablingTakesTheBlockInhibitorAndEitherRestoreReleasesIt) {
    for (PowerRestoreForm form : {PowerRestoreForm::Menu, PowerRestoreForm::Closing}) {
        DisablePowerButton();
        EXPECT_EQ(Inhibitors().second, std::vector<std::string>{kOurs});
        GlobalPowerPolicy now;
        ReadGlobalPowerPolicy(now);
        EXPECT_EQ(now.user.PowerButtonAc.Action, 0u);
        RestorePowerPolicy(form);
        EXPECT_TRUE(WaitFor([&] { return Count() == 0; }, 3000));
        ReadGlobalPowerPolicy(now);
        EXPECT_NE(now.user.PowerButtonAc.Action, 0u);
    }
}

TEST_F(MockLogind, TheInhibitorGoesWithAKilledController) {
    SwitchedChild child("power");
    ASSERT_TRUE(child.switched);
    EXPECT_EQ(Count(), 1u);
    child.Kill();
    EXPECT_TRUE(WaitFor([&] { return Count() == 0; }, 3000));
}

TEST(NoLogind, WithoutASystemBusTheSwitchDoesNothingAndNothingFails) {
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bumblepad-test-bus", 1);
    DisablePowerButton();
    GlobalPowerPolicy now;
    ASSERT_TRUE(ReadGlobalPowerPolicy(now));
    EXPECT_FALSE(WriteGlobalPowerPolicy(now));  // buttons "off", but no inhibitor could be taken
    RestorePowerPolicy(PowerRestoreForm::Closing);
    ReadGlobalPowerPolicy(now);
    EXPECT_NE(now.user.SleepButtonAc.Action, 0u);
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}

}  // namespace

// The program's child mode (main.cpp): switch, tell the parent on descriptor
// 3, wait to be killed.
int RunSwitchesChild(const char* what) {
    if (std::string(what) == "accessx") SetAccessibilityHotkeys(true);
    else DisablePowerButton();
    if (write(3, "r", 1) != 1) return 1;
    for (;;) pause();
}
