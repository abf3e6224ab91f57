// The library's connections (to the X server, to the Wayland compositor) are
// each used by one thread of their own; other threads hand it commands. A
// command runs on that thread and its caller waits for it. A caller that may
// not wait long (the controller's thread, for the compositor) gives up when
// the command has not started in time; it then never runs. Commands do
// bounded work, so once one has started its caller waits for its end.
#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class OwnerThread {
public:
    static constexpr int kNoLimit = -1;

    // Starts the owning thread with its loop, once; false when it cannot be.
    bool Start(const std::function<void()>& loop);
    bool OnThread() const { return std::this_thread::get_id() == owner_; }
    // The loop polls this descriptor and runs RunQueued when it is readable.
    int WakeFd() const { return wake_; }
    void Wake();

    // Runs fn on the owning thread (at once when called there) and waits for
    // it; false when it did not start within startLimitMs or the thread has
    // closed.
    bool Run(const std::function<void()>& fn, int startLimitMs = kNoLimit);
    // On the owning thread: the commands queued so far, and clears the wake.
    void RunQueued();
    // The owning thread stops taking commands: queued and later ones are
    // dropped (their callers get false).
    void Close();

private:
    struct Task {
        const std::function<void()>* fn;
        enum { Queued, Running, Done, Dropped } state = Queued;
    };
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Task>> tasks_;
    std::atomic<std::thread::id> owner_{};
    int wake_ = -1;
    bool started_ = false, closed_ = false;
};
