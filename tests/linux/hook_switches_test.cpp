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
#include <spawn.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "power_port.h"
#include "switches.h"

extern char** environ;

namespace {

// stdoutFd becomes the child's standard output, signalFd its descriptor 3.
pid_t Spawn(const std::vector<std::string>& args, int stdoutFd = -1, int signalFd = -1) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdoutFd >= 0) posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    if (signalFd >= 0) posix_spawn_file_actions_adddup2(&actions, signalFd, 3);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

template <typename F>
bool WaitFor(F condition, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

// ---- a private X server, one per process ----
struct PrivateX {
    pid_t server = -1;
    std::string name;
    PrivateX() {
        if (const char* child = std::getenv("HOOK_SWITCHES_CHILD")) {
            (void)child;
            return;  // a child uses the server its parent started (DISPLAY inherited)
        }
        // Xvfb picks a free display itself and writes its number to fd 3.
        int numberPipe[2];
        if (pipe(numberPipe) != 0) return;
        server = Spawn({"Xvfb", "-displayfd", "3", "-noreset", "-nolisten", "tcp", "-screen", "0", "640x480x24"},
                       -1, numberPipe[1]);
        close(numberPipe[1]);
        char number[32] = {};
        ssize_t n = read(numberPipe[0], number, sizeof number - 1);
        close(numberPipe[0]);
        if (server <= 0 || n <= 0) return;
        name = ":" + std::to_string(std::atoi(number));
        setenv("DISPLAY", name.c_str(), 1);
        bool up = WaitFor([&] {
            Display* d = XOpenDisplay(name.c_str());
            if (d) XCloseDisplay(d);
            return d != nullptr;
        });
        if (!up) name.clear();
    }
    ~PrivateX() { Stop(server); }
};

PrivateX& X() {
    static PrivateX x;
    return x;
}

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

class AccessX : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("HOOK_SWITCHES_CHILD")) GTEST_SKIP() << "child run";
        if (X().name.empty()) GTEST_SKIP() << "no Xvfb";
        d = XOpenDisplay(X().name.c_str());
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
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
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
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    setenv("HOOK_SWITCHES_CHILD", "accessx", 1);
    pid_t child = Spawn({"/proc/self/exe", "--gtest_filter=SwitchesChild.*"}, -1, pipeFds[1]);
    unsetenv("HOOK_SWITCHES_CHILD");
    close(pipeFds[1]);
    ASSERT_GT(child, 0);
    char c = 0;
    ASSERT_EQ(read(pipeFds[0], &c, 1), 1);  // the child has locked
    EXPECT_EQ(Enabled(d) & XkbAccessXKeysMask, 0u);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(pipeFds[0]);
    EXPECT_TRUE(WaitFor([&] { return (Enabled(d) & XkbAccessXKeysMask) != 0; }, 3000));
}

// ---- a mock logind on a private bus ----
class MockLogind : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("HOOK_SWITCHES_CHILD")) GTEST_SKIP() << "child run";
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
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    setenv("HOOK_SWITCHES_CHILD", "power", 1);
    pid_t child = Spawn({"/proc/self/exe", "--gtest_filter=SwitchesChild.*"}, -1, pipeFds[1]);
    unsetenv("HOOK_SWITCHES_CHILD");
    close(pipeFds[1]);
    ASSERT_GT(child, 0);
    char c = 0;
    ASSERT_EQ(read(pipeFds[0], &c, 1), 1);
    EXPECT_EQ(Count(), 1u);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(pipeFds[0]);
    EXPECT_TRUE(WaitFor([&] { return Count() == 0; }, 3000));
}

TEST(NoLogind, WithoutASystemBusTheSwitchDoesNothingAndNothingFails) {
    if (std::getenv("HOOK_SWITCHES_CHILD")) GTEST_SKIP() << "child run";
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

// Run only as the child of the tests above: switch, tell the parent, wait to
// be killed.
TEST(SwitchesChild, LockAndWait) {
    const char* what = std::getenv("HOOK_SWITCHES_CHILD");
    if (!what) GTEST_SKIP() << "only as a child";
    if (std::string(what) == "accessx") SetAccessibilityHotkeys(true);
    else DisablePowerButton();
    if (write(3, "r", 1) != 1) return;  // descriptor 3: the parent's pipe
    for (;;) pause();
}

}  // namespace
