// A watchdog process that ends and restarts a controller which stopped
// answering during a lock (see watchdog_linux.cpp).
#pragma once

constexpr int kWatchdogHeartbeatMs = 500;    // the main thread beats this often
constexpr int kWatchdogPollMs = 250;         // the watchdog looks this often
constexpr int kWatchdogTimeoutMs = 5000;     // silent this long during a lock, and idle: hung
constexpr int kWatchdogBusyLimitMs = 30000;  // silent this long during a lock, even while busy: hung

// Forks the watchdog. Call before any other thread or connection exists.
void StartWatchdog();

// From the main thread, every kWatchdogHeartbeatMs and when a lock begins.
void Heartbeat(bool locked);

// True (once) in a controller the watchdog started in place of a hung one.
bool TakeWatchdogRestart();
