#include "commands_linux.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <QMetaObject>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

#include "controller.h"
#include "desktop_texts_linux.h"
#include "linux_paths.h"
#include "lock_session.h"
#include "message_box_port.h"
#include "mutex_port.h"
#include "resource_ids.h"
#include "tray.h"
#include "tray_wayland.h"

namespace {

constexpr int kStartWaitMs = 20 * 1000;   // a controller that is starting gets this long to listen
constexpr int kAnswerWaitMs = 10 * 1000;  // and a running one this long to answer
const char kSocketName[] = "Bumblepad.commands";
const char kStarterLockName[] = "Bumblepad.commands.lock";

const struct {
    const char* argument;
    uint32_t command;
} kCommands[] = {
    {"--lock", kCmdLockKeyboardMouse},
    {"--lock-keyboard", kCmdLockKeyboard},
    {"--options", kCmdOptions},
    {"--media", kCmdManageMedia},
    {"--exit", kCmdExit},
};

const char* ArgumentOf(uint32_t command) {
    for (const auto& c : kCommands)
        if (c.command == command) return c.argument;
    return "";
}

long long NowMs() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The held lock of a command start that is becoming the controller; let go
// once the controller listens.
int starterLock = -1;

bool SocketAddress(sockaddr_un& address, std::string* problem) {
    std::string folder = RuntimeFolder(problem);
    if (folder.empty()) return false;
    std::string path = folder + "/" + kSocketName;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        if (problem) *problem = path + " is too long a name for a socket";
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Reads one line (without its end) within the time limit.
bool ReadLine(int fd, std::string& line, int limitMs) {
    line.clear();
    long long end = NowMs() + limitMs;
    char c;
    while (line.size() < 512) {
        pollfd p{fd, POLLIN, 0};
        long long left = end - NowMs();
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        ssize_t n = read(fd, &c, 1);
        if (n <= 0) return false;
        if (c == '\n') return true;
        line += c;
    }
    return false;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// 1: a controller answered (answer holds its line); 0: nobody listens;
// -1: one listens but did not answer.
int Exchange(uint32_t command, std::string& answer) {
    sockaddr_un address;
    if (!SocketAddress(address, &answer)) return 0;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return 0;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return 0;
    }
    bool ok = WriteAll(fd, std::string(ArgumentOf(command)) + "\n") && ReadLine(fd, answer, kAnswerWaitMs);
    close(fd);
    if (!ok) answer = "Bumblepad runs but did not answer.";
    return ok ? 1 : -1;
}

bool InstanceHeld() {
    MutexHandle held = OpenNamedMutex(kInstanceMutexName);
    if (held) CloseMutex(held);
    return held != nullptr;
}

// Why the command is not carried out now, or null.
const char* Refusal(uint32_t command) {
    if (!mainWindow) return "Bumblepad has not started.";
    // The tray shows this item disabled where the desktop cannot give it.
    if (command == kCmdLockKeyboard && KeyboardOnlyRefusalText()) return KeyboardOnlyRefusalText();
    return OutsideCommandRefusal(command);
}

void CarryOut(uint32_t command) {
    if (command == kCmdLockKeyboard && KeyboardOnlyRefusalText()) {
        // Asked for from the application menu, where nothing else would say why.
        ShowMessageBox(KeyboardOnlyRefusalText(), "Error", kMbIconWarning);
        return;
    }
    if (command == kCmdLockKeyboardMouse && !OutsideCommandRefusal(command)) TellKeptKeysOnce();
    if (!RunOutsideCommand(mainWindow, command)) {
        std::string note =
            std::string("\"") + ArgumentOf(command) + "\" was not carried out: " + OutsideCommandRefusal(command);
        LogNote(note.c_str());
    }
}

void Answer(int server, QObject* parent) {
    int client = accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    ucred peer{};
    socklen_t size = sizeof peer;
    std::string line;
    // Only this user's own programs (the folder lets nobody else in anyway).
    if (getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != getuid() ||
        !ReadLine(client, line, 1000)) {
        close(client);
        return;
    }
    uint32_t command = OutsideCommandFor(line.c_str());
    const char* refusal = command ? Refusal(command) : kOutsideCommandUnknownText;
    WriteAll(client, refusal ? std::string(refusal) + "\n" : "ok\n");
    close(client);
    // Carried out after the answer, from the loop: "--options" runs a modal
    // dialog, which must not keep the caller waiting.
    if (!refusal || (command == kCmdLockKeyboard && KeyboardOnlyRefusalText()))
        QMetaObject::invokeMethod(
            parent, [command] { CarryOut(command); }, Qt::QueuedConnection);
}

}  // namespace

uint32_t OutsideCommandFor(const char* argument) {
    for (const auto& c : kCommands)
        if (std::strcmp(argument, c.argument) == 0) return c.command;
    return 0;
}

CommandHandOff HandCommandToController(uint32_t command, std::string& answer) {
    std::string folder = RuntimeFolder(&answer);
    if (folder.empty()) return CommandHandOff::Failed;
    std::string lockPath = folder + "/" + kStarterLockName;
    int lock = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) {
        answer = lockPath + " cannot be opened: " + std::strerror(errno);
        return CommandHandOff::Failed;
    }
    long long end = NowMs() + kStartWaitMs;
    for (;;) {
        if (flock(lock, LOCK_EX | LOCK_NB) == 0) {
            int answered = Exchange(command, answer);
            if (answered != 0) {
                close(lock);
                if (answered < 0) return CommandHandOff::Failed;
                return answer == "ok" ? CommandHandOff::Carried : CommandHandOff::Refused;
            }
            if (!InstanceHeld()) {
                starterLock = lock;  // held until this process, as the controller, listens
                return CommandHandOff::NoController;
            }
            flock(lock, LOCK_UN);  // a controller is starting: wait until it listens
        }
        if (NowMs() > end) {
            close(lock);
            answer = "Bumblepad runs but does not take commands.";
            return CommandHandOff::Failed;
        }
        usleep(100 * 1000);
    }
}

void ListenForCommands(QObject* parent) {
    std::string problem;
    sockaddr_un address;
    int server = -1;
    if (SocketAddress(address, &problem)) {
        // This process holds the single-instance lock, so a socket that is
        // there is a dead controller's.
        unlink(address.sun_path);
        server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        mode_t mask = umask(0077);
        bool bound = server >= 0 && bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        umask(mask);
        if (!bound || listen(server, 8) != 0) {
            problem = std::string(address.sun_path) + " cannot be made: " + std::strerror(errno);
            if (server >= 0) close(server);
            server = -1;
        }
    }
    if (server < 0) {
        LogNote(("Bumblepad takes no commands from outside (" + problem + ").").c_str());
    } else {
        auto* notifier = new QSocketNotifier(server, QSocketNotifier::Read, parent);
        QObject::connect(notifier, &QSocketNotifier::activated, parent, [server, parent] { Answer(server, parent); });
    }
    if (starterLock >= 0) {
        close(starterLock);
        starterLock = -1;
    }
}

void RunStartCommand(uint32_t command) {
    if (mainWindow) CarryOut(command);  // a refused start said why already
}
