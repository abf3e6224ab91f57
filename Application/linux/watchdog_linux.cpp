// The watchdog: a small process forked at start, before Qt or any other
// thread exists. It outlives the controller and is the one place that puts
// back what a controller left changed when it did not end in order.
//
// The controller writes single bytes to it through a pipe: its main thread
// (the one that handles the hook library's reports) 'L' while a lock is on
// and 'U' otherwise, every heartbeat period; 'A' once it holds the
// single-instance lock (armed: what it changes from then on is its own);
// 'X' / 'x' when the AccessX hot keys are switched off for a lock and put
// back; 'Q' once its orderly close has run.
//
// Hung: a lock's grabs belong to the controller's X connection, so a
// controller that stops answering would keep the desktop locked for ever.
// When the beats stop during a lock and the main thread is not at work
// either (stopped, deadlocked, gone while other threads live on), the
// watchdog kills the controller (the X server then drops every grab). A main
// thread that is at work (running, using CPU, or having pages read in from
// the disk on a thrashing machine) is given much longer.
//
// Ended: the pipe's end of file. The watchdog then waits for the whole
// process (a pidfd: the last thread gone, its files and the instance lock
// with it), and, when an armed controller ended without 'Q' (a crash,
// kill -9, Qt's _exit(1) when the Wayland compositor goes away, or the kill
// above), puts back from the controller's records: the drive doors it held,
// the desktop's power key, and the AccessX hot keys where an X display is
// still there. After a kill for a hang it then becomes a fresh controller
// itself, unlocked, which tells the parent why; after any other ending it
// ends, as the controller did.
//
// The program is started again from the path it had at start (after a
// package upgrade that is the new file); should that fail (the file was
// removed), from a descriptor of the program opened at start, which keeps the
// file that ran even when its name now shows "(deleted)".
#include "watchdog_linux.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "drive_doors_linux.h"
#include "power_desktop_linux.h"
#include "switches_linux.h"

extern char** environ;

namespace {

int beatFd = -1;
const char kRestartedVariable[] = "BUMBLEPAD_RESTARTED_BY_WATCHDOG";
constexpr int kWholeProcessWaitMs = 60 * 1000;  // a thread stuck in the kernel gets this long

long long NowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void Send(char byte) {
    if (beatFd >= 0 && write(beatFd, &byte, 1) < 0) {
    }
}

// The program that runs, to be started again.
struct OwnProgram {
    std::string path;  // as it was named at start
    int fd = -1;       // the file itself, whatever happens to its name
};

OwnProgram FindOwnProgram() {
    OwnProgram program;
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) program.path.assign(self, static_cast<size_t>(length));
    program.fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    return program;
}

[[noreturn]] void StartAgain(const OwnProgram& program) {
    setenv(kRestartedVariable, "1", 1);
    char name[] = "Bumblepad";
    char* argv[] = {name, nullptr};
    if (!program.path.empty()) execv(program.path.c_str(), argv);
    int byPath = errno;
    if (program.fd >= 0) fexecve(program.fd, argv, environ);
    std::fprintf(stderr,
                 "Bumblepad: the watchdog ended a controller that stopped answering during a lock, but could not "
                 "start Bumblepad again (%s: %s; the file it ran: %s).\n",
                 program.path.c_str(), std::strerror(byPath), std::strerror(errno));
    _exit(1);
}

int OpenProcess(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
    return -1;
#endif
}

void KillProcess(pid_t pid, int pidfd) {
#ifdef SYS_pidfd_send_signal
    if (pidfd >= 0 && syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0) return;
#endif
    kill(pid, SIGKILL);
}

// Until every thread of the controller is gone (its descriptors, the
// instance lock among them, closed), or the limit has passed.
void WaitForWholeProcess(pid_t pid, int pidfd) {
    long long end = NowMs() + kWholeProcessWaitMs;
    if (pidfd >= 0) {
        for (long long now = NowMs(); now < end; now = NowMs()) {
            pollfd fd{pidfd, POLLIN, 0};
            if (poll(&fd, 1, static_cast<int>(end - now)) > 0) return;
        }
        return;
    }
    // Without pidfds (kernels before 5.3): until the main thread has ended.
    MainThreadSample sample;
    while (NowMs() < end && ReadMainThread(pid, sample) && sample.state != 'Z' && sample.state != 'X')
        usleep(10 * 1000);
}

void PutBack(bool accessXOff) {
    ReleaseRecordedDrives();
    RestoreDesktopPowerKeyLeftChanged();
    if (accessXOff) RestoreAccessXHotKeys();
}

// Nothing of the controller's is kept open here but the pipe: a lock file
// inherited at the fork (e.g. that of a command start) must go with the
// controller, not live on in its watchdog.
void CloseAllBut(int keep) {
    for (int fd = 3; fd < 1024; ++fd)
        if (fd != keep) close(fd);
}

[[noreturn]] void Watch(pid_t controller, int beats) {
    prctl(PR_SET_NAME, "Bumblepad-watch");
    CloseAllBut(beats);
    // The session's end, a terminal's Ctrl+C and the like are the
    // controller's to handle: the watchdog stays to put back what it left.
    for (int s : {SIGHUP, SIGTERM, SIGINT, SIGQUIT}) signal(s, SIG_IGN);
    const OwnProgram program = FindOwnProgram();
    int pidfd = OpenProcess(controller);
    if (getppid() != controller) _exit(0);  // the controller ended before we could watch it
    bool locked = false, armed = false, orderly = false, accessXOff = false, hung = false;
    long long lastBeat = NowMs(), lastProgress = lastBeat;
    MainThreadSample before, now;
    ReadMainThread(controller, before);
    for (;;) {
        pollfd fd{beats, POLLIN, 0};
        poll(&fd, 1, kWatchdogPollMs);
        if (fd.revents & (POLLIN | POLLHUP)) {
            char buffer[64];
            ssize_t n = read(beats, buffer, sizeof buffer);
            if (n <= 0) break;  // the controller ended
            for (ssize_t i = 0; i < n; ++i) {
                switch (buffer[i]) {
                    case 'L':
                        locked = true;
                        lastBeat = NowMs();
                        break;
                    case 'U':
                        locked = false;
                        lastBeat = NowMs();
                        break;
                    case 'A':
                        armed = true;
                        break;
                    case 'Q':
                        orderly = true;
                        break;
                    case 'X':
                        accessXOff = true;
                        break;
                    case 'x':
                        accessXOff = false;
                        break;
                    default:
                        break;
                }
            }
        }
        long long time = NowMs();
        if (!ReadMainThread(controller, now)) break;  // gone
        if (MainThreadAtWork(before, now)) lastProgress = time;
        before = now;
        // A main thread that has ended leaves a controller nobody can reach,
        // which holds the instance lock and what it changed: it is ended
        // too, locked or not (started again only after a lock, as a hang).
        bool mainGone = now.state == 'Z' || now.state == 'X';
        if (!locked && mainGone && time - lastProgress >= kWatchdogTimeoutMs) {
            KillProcess(controller, pidfd);
            break;
        }
        if (!locked || time - lastBeat < kWatchdogTimeoutMs) continue;
        bool idle = time - lastProgress >= kWatchdogTimeoutMs / 2;
        if (!idle && time - lastBeat < kWatchdogBusyLimitMs) continue;
        // Hung during a lock: end it.
        KillProcess(controller, pidfd);
        hung = true;
        break;
    }
    close(beats);
    WaitForWholeProcess(controller, pidfd);
    if (armed && !orderly) PutBack(accessXOff);
    if (hung) StartAgain(program);
    _exit(0);
}

}  // namespace

bool ReadMainThread(int pid, MainThreadSample& sample) {
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
    // state ppid pgrp session tty_nr tpgid flags minflt cminflt majflt cmajflt utime stime
    unsigned long long majflt = 0, utime = 0, stime = 0;
    char state = '?';
    if (std::sscanf(after + 2, "%c %*d %*d %*d %*d %*d %*u %*u %*u %llu %*u %llu %llu", &state, &majflt, &utime,
                    &stime) != 4)
        return false;
    sample.state = state;
    sample.majorFaults = majflt;
    sample.cpu = utime + stime;
    return true;
}

bool MainThreadAtWork(const MainThreadSample& before, const MainThreadSample& now) {
    if (now.state == 'Z' || now.state == 'X') return false;  // the main thread is gone
    return now.state == 'R' || now.cpu != before.cpu || now.majorFaults != before.majorFaults;
}

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

void Heartbeat(bool locked) { Send(locked ? 'L' : 'U'); }
void WatchdogArm() { Send('A'); }
void WatchdogOrderlyEnd() { Send('Q'); }
void WatchdogAccessXOff(bool off) { Send(off ? 'X' : 'x'); }

bool TakeWatchdogRestart() {
    bool restarted = std::getenv(kRestartedVariable) != nullptr;
    unsetenv(kRestartedVariable);
    return restarted;
}
