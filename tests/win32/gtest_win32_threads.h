// Included first in GoogleTest and the tests of the 32-bit Windows build. Its
// compiler (the "win32" thread model that the product is built with) has no
// std::mutex or std::condition_variable, which GoogleTest's Notification
// needs; this one waits on an atomic flag instead. (GoogleTest's own Mutex
// uses the Windows critical sections on this platform.)
#pragma once
#include <atomic>

extern "C" __declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);

#define GTEST_HAS_NOTIFICATION_ 1
namespace testing {
namespace internal {

class Notification {
public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) Sleep(1);
    }

private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
