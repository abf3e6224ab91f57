// The thread that owns a connection and runs other threads' commands: a
// caller that may not wait long gives up on a command that has not started,
// and that command then never runs (it refers to the caller's stack).
#include "owner_thread.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

TEST(OwnerThread, ACommandNotStartedInTimeIsDroppedAndNeverRuns) {
    static OwnerThread owner;  // its thread runs until the process ends
    static std::atomic<bool> busy{false};
    ASSERT_TRUE(owner.Start([] {
        for (;;) {
            pollfd fd{owner.WakeFd(), POLLIN, 0};
            poll(&fd, 1, -1);
            owner.RunQueued();
        }
    }));
    int ran = 0;
    EXPECT_TRUE(owner.Run([&] { ++ran; }, 1000));
    EXPECT_EQ(ran, 1);

    // The owner is busy for a second with a command of another thread.
    std::thread other([] {
        owner.Run([] {
            busy = true;
            std::this_thread::sleep_for(std::chrono::seconds(1));
        });
    });
    while (!busy) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    bool late = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(owner.Run([&] { late = true; }, 50));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900)) << "it waited for the busy one";
    other.join();
    EXPECT_TRUE(owner.Run([] {}, 1000));  // everything queued before it has been dealt with
    EXPECT_FALSE(late);

    // On the owning thread a command runs at once, and a closed owner takes none.
    EXPECT_TRUE(owner.Run([&] { EXPECT_TRUE(owner.Run([&] { ++ran; })); }));
    EXPECT_EQ(ran, 2);
    owner.Close();
    EXPECT_FALSE(owner.Run([&] { ++ran; }));
    EXPECT_EQ(ran, 2);
}

}  // namespace
