// A watchdog process that outlives the controller: it ends and restarts a
// controller which stopped answering during a lock, and it puts back what
// the controller changed (drive doors, the desktop's power key, the AccessX
// hot keys) whenever the controller ends without its orderly close (see
// watchdog_linux.cpp).
#pragma once

constexpr int kWatchdogHeartbeatMs = 500;    // the main thread beats this often
constexpr int kWatchdogPollMs = 250;         // the watchdog looks this often
constexpr int kWatchdogTimeoutMs = 5000;     // silent this long during a lock, and idle: hung
constexpr int kWatchdogBusyLimitMs = 30000;  // silent this long during a lock, even while busy: hung

// Forks the watchdog. Call before any other thread or connection exists.
void StartWatchdog();

// From the main thread, every kWatchdogHeartbeatMs and when a lock begins.
void Heartbeat(bool locked);

// This controller holds the single-instance lock: from now on what it
// changes is its own, and the watchdog puts it back should it end without
// its orderly close. (A second start that is refused never arms it, so its
// end touches nothing of the running controller's.)
void WatchdogArm();

// The orderly close has run (doors released, power key put back as the
// settings say): the end that follows is no crash.
void WatchdogOrderlyEnd();

// The AccessX hot keys were switched off for a lock (true) or put back (false).
void WatchdogAccessXOff(bool off);

// True (once) in a controller the watchdog started in place of a hung one.
bool TakeWatchdogRestart();

// What the watchdog reads of the controller's main thread.
struct MainThreadSample {
    char state = '?';                    // R running, S sleeping, D waiting on the disk, Z gone, ...
    unsigned long long cpu = 0;          // user and system time, in clock ticks
    unsigned long long majorFaults = 0;  // pages it waited for from the disk (swapped out, or a file's)
};

// False when the process is gone (or /proc cannot tell).
bool ReadMainThread(int pid, MainThreadSample& sample);

// The main thread did some work between two samples: it ran, used CPU, or
// had pages brought in from the disk (a thrashing machine makes a thread
// wait on its pages, with no CPU, for a long time; that is progress too).
bool MainThreadAtWork(const MainThreadSample& before, const MainThreadSample& now);
