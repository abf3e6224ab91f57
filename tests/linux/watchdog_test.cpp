// The watchdog's reading of a real main thread: one that waits on pages
// read in from the disk, with next to no CPU (as on a thrashing machine),
// is at work. (A main thread that ended while its process lives on is
// tested whole in tests/desktop/test_watchdog_restore.sh.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include "watchdog_linux.h"

namespace {

// A file on a disk (not tmpfs, whose pages are never read in), of pages.
std::string MakeDiskFile(size_t pages) {
    std::string path = std::string(std::getenv("BUMBLEPAD_BIN") ? std::getenv("BUMBLEPAD_BIN") : ".") +
                       "/watchdog-test-pages.XXXXXX";
    int fd = mkstemp(path.data());
    std::string page(static_cast<size_t>(sysconf(_SC_PAGESIZE)), 'p');
    for (size_t i = 0; i < pages; ++i)
        if (write(fd, page.data(), page.size()) != static_cast<ssize_t>(page.size())) return "";
    fsync(fd);
    close(fd);
    return path;
}

// In a child: touches one page of the file after another, each read in from
// the disk (the page is dropped from the page cache before), sleeping 40 ms
// between them: a main thread that waits on its pages and uses no CPU.
pid_t StartPageWaiter(const std::string& path, size_t pages) {
    pid_t child = fork();
    if (child != 0) return child;
    int fd = open(path.c_str(), O_RDONLY);
    const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE)) * pages;
    auto* map = static_cast<volatile char*>(mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0));
    for (size_t i = 0;; i = (i + 1) % pages) {
        (void)map[i * static_cast<size_t>(sysconf(_SC_PAGESIZE))];
        madvise(const_cast<char*>(map), size, MADV_DONTNEED);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        usleep(40 * 1000);
    }
}

TEST(LinuxWatchdog, AMainThreadWaitingOnPagesFromTheDiskIsAtWork) {
    const size_t pages = 64;
    std::string path = MakeDiskFile(pages);
    ASSERT_FALSE(path.empty());
    pid_t child = StartPageWaiter(path, pages);
    MainThreadSample before, now;
    usleep(200 * 1000);
    ASSERT_TRUE(ReadMainThread(child, before));
    // The quarter seconds in which the thread neither ran nor used CPU, only
    // had pages read in: what a judge by CPU and state alone calls idle.
    int onlyFaults = 0, onlyFaultsAtWork = 0;
    for (int i = 0; i < 12; ++i) {  // the watchdog's 250 ms, for 3 s
        usleep(250 * 1000);
        ASSERT_TRUE(ReadMainThread(child, now));
        if (now.state != 'R' && now.cpu == before.cpu && now.majorFaults > before.majorFaults) {
            ++onlyFaults;
            if (MainThreadAtWork(before, now)) ++onlyFaultsAtWork;
        }
        before = now;
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    unlink(path.c_str());
    EXPECT_GT(onlyFaults, 0) << "some quarter seconds had no CPU time, only pages read in";
    EXPECT_EQ(onlyFaultsAtWork, onlyFaults) << "and each of them counts as work";
}

}  // namespace
