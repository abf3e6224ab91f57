// Linux adapters of the controller's small ports: clock, settings store,
// message boxes, processes, mutexes and the version record.
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QMessageBox>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "clock_port.h"
#include "drive_doors_linux.h"
#include "drive_recovery_port.h"
#include "linux_paths.h"
#include "message_box_port.h"
#include "mutex_port.h"
#include "process_port.h"
#include "registry_port.h"
#include "session_linux.h"
#include "version_port.h"

extern char** environ;

uint32_t TickCount() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u + now.tv_nsec / 1000000);
}

int64_t CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

// ---- settings store: the key is a folder, each value a file of raw bytes ----

struct LinuxKey {
    std::string folder;
};

RegistryKey OpenMachineKey(const char* subKey, KeyAccess rights) {
    std::string folder = SettingsKeyFolder(subKey);
    // The folder must be there, readable to query values and writable to set them.
    const int mode = rights == KeyAccess::Query ? R_OK | X_OK : R_OK | W_OK | X_OK;
    if (access(folder.c_str(), mode) != 0) return nullptr;
    struct stat info;
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return nullptr;
    return new LinuxKey{folder};
}

bool QueryBinaryValue(RegistryKey key, const char* name, void* data, uint32_t& size) {
    std::string path = static_cast<LinuxKey*>(key)->folder + "/" + name;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat info;
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= size;
    if (ok) {
        size_t want = static_cast<size_t>(info.st_size), got = 0;
        while (got < want) {
            ssize_t n = read(fd, static_cast<char*>(data) + got, want - got);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
        }
        ok = got == want;
        size = static_cast<uint32_t>(got);
    } else if (fstat(fd, &info) == 0) {
        size = static_cast<uint32_t>(info.st_size);
    }
    close(fd);
    return ok;
}

bool SetBinaryValue(RegistryKey key, const char* name, const void* data, uint32_t size) {
    // Written to a temporary file, flushed, then renamed over the old value:
    // a crash or a full disk leaves either the old block or the new one.
    return WriteFileAtomically(static_cast<LinuxKey*>(key)->folder, name, data, size);
}

void CloseKey(RegistryKey key) { delete static_cast<LinuxKey*>(key); }

void ShowMessageBox(const char* text, const char* caption, uint32_t flags) {
    if (DisplayGone()) {  // closing after the X server went away: no box can be shown
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return;
    }
    // The controller's texts are single-byte Latin-1, like the unlock word they may quote.
    QMessageBox box(flags & 0x30 ? QMessageBox::Warning : QMessageBox::NoIcon, QString::fromLatin1(caption),
                    QString::fromLatin1(text), QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

void LogNote(const char* text) { std::fprintf(stderr, "Bumblepad: %s\n", QString::fromLatin1(text).toLocal8Bit().constData()); }

// ---- processes ----

void StartProgram(const char* commandLine, const char* workingDirectory) {
    std::string program = ProgramPathFor(commandLine);
    pid_t child = fork();
    if (child == 0) {
        if (workingDirectory && chdir(workingDirectory) != 0) _exit(0);
        // Detach so the started program is not our child for long.
        if (fork() != 0) _exit(0);
        setsid();
        char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
        execve(program.c_str(), argv, environ);
        _exit(0);
    }
    if (child > 0) {
        int status;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

bool FileExists(const char* path) { return access(ProgramPathFor(path).c_str(), F_OK) == 0; }

// ---- mutexes: a lock file that the kernel frees when its process dies ----

MutexResult CreateNamedMutex(const char* name, std::string* problem) {
    std::string path = MutexPath(name, problem);
    if (path.empty()) return kMutexFailed;
    // Never through a link: the lock file is opened only as itself.
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (problem) *problem = path + " cannot be opened: " + std::strerror(errno);
        return kMutexFailed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        bool held = errno == EWOULDBLOCK;
        if (!held && problem) *problem = path + " cannot be locked: " + std::strerror(errno);
        close(fd);
        return held ? kMutexExists : kMutexFailed;
    }
    return kMutexCreated;  // fd stays open, and the lock held, until the process ends
}

MutexHandle OpenNamedMutex(const char* name) {
    std::string path = MutexPath(name);
    if (path.empty()) return nullptr;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return nullptr;
    if (flock(fd, LOCK_SH | LOCK_NB) == 0) {  // nobody holds it
        close(fd);
        return nullptr;
    }
    return reinterpret_cast<MutexHandle>(static_cast<intptr_t>(fd) + 1);
}

void CloseMutex(MutexHandle handle) {
    if (handle) close(static_cast<int>(reinterpret_cast<intptr_t>(handle) - 1));
}

void ReadOsVersion(OsVersionInfo& info) {
    info.dwMajorVersion = 6;
    info.dwMinorVersion = 1;
    info.dwBuildNumber = 7601;
    info.dwPlatformId = kPlatformWin32Nt;
}

void ReleaseDoorsLeftHeld() { ReleaseRecordedDrives(); }
