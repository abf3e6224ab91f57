/* Preloaded into a controller under test: the optical drive sr0 is a plain
 * file in $BUMBLEPAD_FAKE_DRIVES (dev/sr0, sys/block/sr0), and its door
 * ioctls are answered as the kernel would and written, one a line ("sr0 1"
 * locks, "sr0 0" releases), to $BUMBLEPAD_FAKE_DRIVES/doors.log.
 * SIGUSR2 ends the process with _exit(1), as Qt's Wayland plugin does when
 * the compositor goes away (no atexit handler runs). SIGUSR1, sent to the
 * main thread, ends that thread alone: the others, the X connection among
 * them, live on. */
#define _GNU_SOURCE
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

static const char* Root(void) { return getenv("BUMBLEPAD_FAKE_DRIVES"); }

static const char* Redirect(const char* path, char* buffer, size_t size) {
    const char* root = Root();
    if (!root || !path) return path;
    if (strcmp(path, "/sys/block") == 0 || strncmp(path, "/dev/sr", 7) == 0) {
        snprintf(buffer, size, "%s%s", root, path);
        return buffer;
    }
    return path;
}

DIR* opendir(const char* path) {
    static DIR* (*real)(const char*);
    if (!real) real = (DIR * (*)(const char*)) dlsym(RTLD_NEXT, "opendir");
    char buffer[4096];
    return real(Redirect(path, buffer, sizeof buffer));
}

static int OpenVia(const char* symbol, const char* path, int flags, mode_t mode) {
    int (*real)(const char*, int, ...) = (int (*)(const char*, int, ...))dlsym(RTLD_NEXT, symbol);
    char buffer[4096];
    return real(Redirect(path, buffer, sizeof buffer), flags, mode);
}

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return OpenVia("open", path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return OpenVia("open64", path, flags, mode);
}

int ioctl(int fd, unsigned long request, ...) {
    va_list args;
    va_start(args, request);
    unsigned long arg = va_arg(args, unsigned long);
    va_end(args);
    const char* root = Root();
    char link[64], target[4096], expected[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t n = readlink(link, target, sizeof target - 1);
    if (root && request == CDROM_LOCKDOOR && n > 0) {
        target[n] = '\0';
        snprintf(expected, sizeof expected, "%s/dev/sr0", root);
        if (strcmp(target, expected) == 0) {
            char log[4096];
            snprintf(log, sizeof log, "%s/doors.log", root);
            FILE* out = fopen(log, "a");
            if (out) {
                fprintf(out, "sr0 %lu\n", arg);
                fclose(out);
            }
            return 0;
        }
    }
    int (*real)(int, unsigned long, ...) = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    return real(fd, request, arg);
}

static void ExitAtOnce(int signal) {
    (void)signal;
    _exit(1);
}

static void EndThisThread(int signal) {
    (void)signal;
    syscall(SYS_exit, 0);
}

__attribute__((constructor)) static void InstallExitSignals(void) {
    if (!Root()) return;
    signal(SIGUSR2, ExitAtOnce);
    signal(SIGUSR1, EndThisThread);
}
