#include "linux_paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

static std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : "";
}

std::string SettingsKeyFolder(const char* subKey) {
    std::string base = Env("XDG_CONFIG_HOME");
    if (base.empty()) base = Env("HOME") + "/.config";
    std::string key = subKey;
    for (char& c : key)
        if (c == '\\') c = '/';
    return base + "/" + key;
}

std::string RuntimeFolder(std::string* problem) {
    std::string base = Env("XDG_RUNTIME_DIR");
    if (!base.empty()) return base;
    std::string temp = Env("TMPDIR");
    base = (temp.empty() ? "/tmp" : temp) + "/bumblepad-" + std::to_string(getuid());
    mkdir(base.c_str(), 0700);
    struct stat info;
    const char* wrong = nullptr;
    if (lstat(base.c_str(), &info) != 0) wrong = "cannot be made";
    else if (S_ISLNK(info.st_mode)) wrong = "is a link";
    else if (!S_ISDIR(info.st_mode)) wrong = "is not a folder";
    else if (info.st_uid != getuid()) wrong = "belongs to another user";
    else if (info.st_mode & 077) wrong = "can be entered by other users";
    if (!wrong) return base;
    if (problem) *problem = base + " " + wrong;
    return "";
}

std::string MutexPath(const char* name, std::string* problem) {
    std::string base = RuntimeFolder(problem);
    return base.empty() ? "" : base + "/" + name + ".lock";
}

std::string StateFolder() {
    std::string base = Env("XDG_STATE_HOME");
    if (base.empty()) {
        std::string home = Env("HOME");
        if (home.empty()) return "";
        mkdir((home + "/.local").c_str(), 0700);
        base = home + "/.local/state";
    }
    mkdir(base.c_str(), 0700);
    std::string folder = base + "/Bumblepad";
    mkdir(folder.c_str(), 0700);
    return folder;
}

std::string LinuxFileName(const char* path) {
    std::string name = path;
    for (char& c : name)
        if (c == '\\') c = '/';
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
    return name;
}

// The folder of the running program, from /proc/self/exe; empty if unknown.
static std::string OwnFolder() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "";
    self[n] = '\0';
    std::string folder = self;
    folder.resize(folder.rfind('/'));
    return folder;
}

std::string ProgramPathFor(const char* commandLine) {
    std::string name = LinuxFileName(commandLine);
    if (name.find('/') == std::string::npos) {
        std::string folder = OwnFolder();
        return folder.empty() ? name : folder + "/" + name;
    }
    // "./Trovebox": the working folder's own program, as on Windows, where the
    // programs and the media folders share one folder. An installed package
    // keeps each user's media folder apart from the programs; there the
    // program beside the running one is taken.
    if (name.compare(0, 2, "./") == 0 && name.find('/', 2) == std::string::npos &&
        access(name.c_str(), X_OK) != 0) {
        std::string folder = OwnFolder();
        std::string beside = folder + "/" + name.substr(2);
        if (!folder.empty() && access(beside.c_str(), X_OK) == 0) return beside;
    }
    return name;
}

bool WriteFileAtomically(const std::string& folder, const char* name, const void* data, uint32_t size, int mode) {
    std::string target = folder + "/" + name;
    std::string temp = folder + "/." + name + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) return false;
    const char* bytes = static_cast<const char*>(data);
    uint32_t done = 0;
    bool ok = true;
    while (ok && done < size) {
        ssize_t n = write(fd, bytes + done, size - done);
        if (n <= 0) ok = false;
        else done += static_cast<uint32_t>(n);
    }
    if (mode >= 0) ok = ok && fchmod(fd, static_cast<mode_t>(mode)) == 0;
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}
