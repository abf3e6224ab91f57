// The watchdog: a small process forked at start, before Qt or any other
// thread exists. The controller's main thread (the one that handles the hook
// library's reports) writes one byte to it every heartbeat period: 'L' while
// a lock is on, 'U' otherwise. A lock's grabs belong to the controller's X
// connection, so a controller that stops answering would keep the desktop
// locked for ever. When the beats stop during a lock and the main thread is
// not at work either (stopped, deadlocked, waiting on a swapped-out page),
// the watchdog kills the controller (the X server then drops every grab) and
// becomes a fresh controller itself, unlocked, which tells the parent why.
// A main thread that is busy (a long picture decode) is given much longer.
#include "watchdog_linux.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int beatFd = -1;
const char kRestartedVariable[] = "BUMBLEPAD_RESTARTED_BY_WATCHDOG";

long long NowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The main thread's state letter and its CPU time in clock ticks; false when
// the process is gone or a zombie.
bool MainThreadState(pid_t pid, char& state, unsigned long long& cpu) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/task/%d/stat", pid, pid);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[1024];
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) return false;
    text[n] = '\0';
    const char* after = std::strrchr(text, ')');  // the name may hold blanks
    if (!after) return false;
    unsigned long long utime = 0, stime = 0;
    if (std::sscanf(after + 2, "%c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &state, &utime, &stime) != 3)
        return false;
    cpu = utime + stime;
    return state != 'Z' && state != 'X';
}

[[noreturn]] void Watch(pid_t controller, int beats) {
    prctl(PR_SET_NAME, "Bumblepad-watch");
    signal(SIGHUP, SIG_IGN);  // the session's end is the controller's to handle
    bool locked = false;
    long long lastBeat = NowMs(), lastProgress = lastBeat;
    char state = 'S';
    unsigned long long cpu = 0, lastCpu = 0;
    MainThreadState(controller, state, lastCpu);
    for (;;) {
        pollfd fd{beats, POLLIN, 0};
        poll(&fd, 1, kWatchdogPollMs);
        if (fd.revents & (POLLIN | POLLHUP)) {
            char buffer[64];
            ssize_t n = read(beats, buffer, sizeof buffer);
            if (n <= 0) _exit(0);  // the controller ended: so do we
            locked = buffer[n - 1] == 'L';
            lastBeat = NowMs();
        }
        long long now = NowMs();
        if (!MainThreadState(controller, state, cpu)) _exit(0);
        if (state == 'R' || cpu != lastCpu) lastProgress = now;  // at work, not hung
        lastCpu = cpu;
        if (!locked || now - lastBeat < kWatchdogTimeoutMs) continue;
        bool idle = now - lastProgress >= kWatchdogTimeoutMs / 2;
        if (!idle && now - lastBeat < kWatchdogBusyLimitMs) continue;
        // Hung during a lock: end it, wait until it is gone (its X
        // connection with it), and start again in its place.
        kill(controller, SIGKILL);
        while (MainThreadState(controller, state, cpu)) usleep(10 * 1000);
        close(beats);
        setenv(kRestartedVariable, "1", 1);
        char self[4096];
        ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        if (length > 0) {
            self[length] = '\0';
            char name[] = "Bumblepad";
            char* argv[] = {name, nullptr};
            execv(self, argv);
        }
        _exit(0);
    }
}

}  // namespace

void StartWatchdog() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    pid_t controller = getpid();
    pid_t child = fork();
    if (child == 0) {
        close(fds[1]);
        Watch(controller, fds[0]);
    }
    close(fds[0]);
    if (child < 0) {
        close(fds[1]);
        return;
    }
    fcntl(fds[1], F_SETFL, O_NONBLOCK);  // a full pipe never holds the controller up
    beatFd = fds[1];
}

void Heartbeat(bool locked) {
    if (beatFd < 0) return;
    char beat = locked ? 'L' : 'U';
    if (write(beatFd, &beat, 1) < 0) {}
}

bool TakeWatchdogRestart() {
    bool restarted = std::getenv(kRestartedVariable) != nullptr;
    unsetenv(kRestartedVariable);
    return restarted;
}
