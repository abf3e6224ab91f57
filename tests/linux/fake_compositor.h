// A Wayland compositor of our own for the hook library's tests: it offers a
// seat, one output and ext-session-lock-v1, accepts every request of every
// object (one generic dispatcher), and does with a session lock what the
// test says: grant it ("locked"), refuse it or end it ("finished"). It runs
// on a thread of its own, on a socket in the runtime folder; WAYLAND_DISPLAY
// names it. What a real compositor cannot be made to do on demand (end a
// lock it granted) is done here.
#pragma once
#include <wayland-server.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakeCompositor {
public:
    // New session locks are granted (once they have a surface on the
    // output) or refused at once (another locker holds the session).
    explicit FakeCompositor(bool grant);
    ~FakeCompositor();

    const std::string& Socket() const { return socket_; }
    void Grant(bool grant) {
        OnThread([&] { grant_ = grant; });
    }
    // Sends "finished" to every session lock there is (the compositor ends
    // them); how many got it.
    int FinishLocks();
    // Answers nothing for ms milliseconds from now (a compositor busy for a
    // moment); returns at once.
    void Stall(int ms);
    // Session locks asked for so far, and those unlocked by their client.
    int LocksAsked();
    int LocksUnlocked();

    // ---- on the compositor's thread ----
    void Request(wl_resource* resource, const wl_message& message, wl_argument* args);

private:
    // Runs fn on the compositor's thread and waits for it.
    void OnThread(const std::function<void()>& fn);
    void Loop();

    wl_display* display_ = nullptr;
    wl_event_loop* loop_ = nullptr;
    int wake_ = -1;
    std::string socket_;
    bool grant_;
    bool stop_ = false;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::vector<std::function<void()>> queue_;
    std::vector<wl_resource*> locks_;
    int asked_ = 0, unlocked_ = 0;
};
