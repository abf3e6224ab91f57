// Processes the Linux adapter tests start around themselves: any program
// (Spawn, Stop), a private X server (PrivateX), and waiting for a condition.
#pragma once
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace test_processes {

// stdoutFd becomes the child's standard output, signalFd its descriptor 3.
inline pid_t Spawn(const std::vector<std::string>& args, int stdoutFd = -1, int signalFd = -1) {
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

// Ends a child and collects it (SIGTERM lets it clean up; SIGKILL is the
// end of a process that gets no say, as a crash).
inline void Stop(pid_t pid, int signal = SIGTERM) {
    if (pid <= 0) return;
    kill(pid, signal);
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

// A private Xvfb for this process, its display set as DISPLAY for the
// process and its children; name stays empty when it could not be started.
struct PrivateX {
    pid_t server = -1;
    std::string name;
    PrivateX() {
        // Xvfb picks a free display itself and writes its number to fd 3
        // once it accepts connections.
        int numberPipe[2];
        if (pipe(numberPipe) != 0) return;
        server = Spawn({"Xvfb", "-displayfd", "3", "-noreset", "-nolisten", "tcp", "-screen", "0", "640x480x24"}, -1,
                       numberPipe[1]);
        close(numberPipe[1]);
        char number[32] = {};
        ssize_t n = read(numberPipe[0], number, sizeof number - 1);
        close(numberPipe[0]);
        if (server <= 0 || n <= 0) return;
        name = ":" + std::to_string(std::atoi(number));
        setenv("DISPLAY", name.c_str(), 1);
    }
    ~PrivateX() { Stop(server); }
    PrivateX(const PrivateX&) = delete;
    PrivateX& operator=(const PrivateX&) = delete;
};

// The process's private X server, started at the first call.
inline PrivateX& ProcessX() {
    static PrivateX x;
    return x;
}

}  // namespace test_processes
