// Storage devices on Linux. A drive letter names an optical drive (D: = sr0,
// E: = sr1, ...) or a removable block device (N: onward); the "root path"
// type test and the "\\.\X:" device open both go through that mapping. The
// two media-removal requests become the CD-ROM door lock (CDROM_LOCKDOOR) on
// optical drives and the SCSI door lock on removable disks.
//
// The kernel keeps an optical drive's door locked after the device is closed
// (and after the process dies), so each optical drive held is written to a
// state file and removed from it when released; ReleaseRecordedDrives
// releases what an earlier run left there. A removable disk is unlocked by
// the kernel at its last close, so it needs no record.
#include "drive_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <scsi/scsi_ioctl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include "drive_doors_linux.h"
#include "drive_lock.h"
#include "drive_port.h"

namespace drivelinux {

namespace {

struct OpenDrive {
    DriveKind kind;
    std::string path;
};

std::map<int, OpenDrive>& openDrives() {
    static std::map<int, OpenDrive> drives;
    return drives;
}

int RealIoctl(int fd, unsigned long request, unsigned long arg) { return ioctl(fd, request, arg); }

int DoorIoctl(int fd, unsigned long request, unsigned long arg) {
    auto fn = environment().doorIoctl ? environment().doorIoctl : RealIoctl;
    return fn(fd, request, arg);
}

std::vector<std::string> BlockDeviceNames() {
    std::vector<std::string> names;
    if (DIR* dir = opendir(environment().sysBlockDir.c_str())) {
        while (dirent* e = readdir(dir))
            if (e->d_name[0] != '.') names.push_back(e->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool IsRemovable(const std::string& name) {
    std::ifstream in(environment().sysBlockDir + "/" + name + "/removable");
    int value = 0;
    return (in >> value) && value == 1;
}

// "sr12" -> 12; -1 for any other name.
int OpticalIndex(const std::string& name) {
    if (name.size() < 3 || name.compare(0, 2, "sr") != 0) return -1;
    if (name.find_first_not_of("0123456789", 2) != std::string::npos) return -1;
    return std::atoi(name.c_str() + 2);
}

// Read-only and non-blocking: an optical drive opens so even without a disc.
bool OpenDoorDevice(const std::string& path, int& fd) {
    fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    return fd >= 0;
}

// Written to a fresh temporary file beside the record and renamed over it,
// so a crash leaves the old list or the new one and no link is followed.
void WriteRecord(const std::vector<std::string>& paths) {
    const std::string file = StateFilePath();
    if (file.empty()) return;
    if (paths.empty()) {
        unlink(file.c_str());
        return;
    }
    std::string text;
    for (const auto& p : paths) text += p + "\n";
    std::string temp = file + ".XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return;
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temp.c_str(), file.c_str()) != 0) unlink(temp.c_str());
}

// $XDG_STATE_HOME (or ~/.local/state), each folder made 0700 if missing.
std::string StateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    std::string base = state && *state ? state : "";
    if (base.empty()) {
        const char* home = std::getenv("HOME");
        if (!home || !*home) return "";
        mkdir((std::string(home) + "/.local").c_str(), 0700);
        base = std::string(home) + "/.local/state";
    }
    mkdir(base.c_str(), 0700);
    return base;
}

void Record(const std::string& path, bool held) {
    std::vector<std::string> paths = RecordedDrives();
    auto it = std::find(paths.begin(), paths.end(), path);
    if (held && it == paths.end()) paths.push_back(path);
    if (!held && it != paths.end()) paths.erase(it);
    WriteRecord(paths);
}

char LetterOfPath(const char* text) {
    // "X:\" or "\\.\X:"
    if (std::strncmp(text, "\\\\.\\", 4) == 0) text += 4;
    char c = text[0];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c < 'A' || c > 'Z' || text[1] != ':') return 0;
    return c;
}

}  // namespace

Environment& environment() {
    static Environment env;
    return env;
}

unsigned long CdromLockDoorRequest() { return CDROM_LOCKDOOR; }
unsigned long ScsiDoorLockRequest() { return SCSI_IOCTL_DOORLOCK; }
unsigned long ScsiDoorUnlockRequest() { return SCSI_IOCTL_DOORUNLOCK; }

DriveDevice DeviceForLetter(char letter) {
    DriveDevice device;
    if (letter < 'D' || letter > 'Z') return device;
    const std::vector<std::string> names = BlockDeviceNames();
    if (letter <= 'M') {
        const std::string name = "sr" + std::to_string(letter - 'D');
        if (std::find(names.begin(), names.end(), name) != names.end()) {
            device.kind = DriveKind::Optical;
            device.path = environment().devDir + "/" + name;
        }
        return device;
    }
    int wanted = letter - 'N';
    for (const auto& name : names) {
        if (OpticalIndex(name) >= 0 || !IsRemovable(name)) continue;
        if (wanted-- == 0) {
            device.kind = DriveKind::Removable;
            device.path = environment().devDir + "/" + name;
            break;
        }
    }
    return device;
}

std::string StateFilePath() {
    if (!environment().stateFile.empty()) return environment().stateFile;
    // Not the runtime folder: logind empties that at log-out, and a door a
    // killed run left locked must still be known at the next start.
    std::string base = StateFolder();
    if (base.empty()) return "";
    base += "/Bumblepad";
    mkdir(base.c_str(), 0700);
    return base + "/drive-doors";
}

std::vector<std::string> RecordedDrives() {
    std::vector<std::string> paths;
    const std::string file = StateFilePath();
    int fd = file.empty() ? -1 : open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return paths;
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    close(fd);
    size_t start = 0, end;
    while ((end = text.find('\n', start)) != std::string::npos) {
        if (end > start) paths.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) paths.push_back(text.substr(start));
    return paths;
}

}  // namespace drivelinux

using namespace drivelinux;

uint32_t DriveTypeOf(const char* rootPath) {
    char letter = LetterOfPath(rootPath);
    switch (letter ? DeviceForLetter(letter).kind : DriveKind::None) {
        case DriveKind::Optical:
            return kDriveCdrom;
        case DriveKind::Removable:
            return kDriveRemovable;
        default:
            return 1;  // no such root
    }
}

HANDLE OpenDevice(const char* path, uint32_t, uint32_t, uint32_t, uint32_t) {
    // Only drive devices ("\\.\X:"); the older family's "\\.\vwin32" is not there.
    char letter = std::strncmp(path, "\\\\.\\", 4) == 0 ? LetterOfPath(path) : 0;
    if (!letter) return InvalidDeviceHandle();
    DriveDevice device = DeviceForLetter(letter);
    int fd = -1;
    if (device.kind == DriveKind::None || !OpenDoorDevice(device.path, fd))
        return InvalidDeviceHandle();
    openDrives()[fd] = OpenDrive{device.kind, device.path};
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd));
}

bool DeviceRequest(HANDLE device, uint32_t code, void* input, uint32_t inputSize, void*, uint32_t) {
    if (code != kIoctlStorageEjectionControl && code != kIoctlStorageMediaRemoval) return false;
    if (inputSize != 1 || device == InvalidDeviceHandle()) return false;
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(device));
    auto it = openDrives().find(fd);
    if (it == openDrives().end()) return false;
    const bool lock = *static_cast<const uint8_t*>(input) != 0;
    if (it->second.kind == DriveKind::Optical) {
        const std::string& path = it->second.path;
        if (!lock) {
            // Forgotten only once released: a kill in between leaves a
            // record of a free door, which costs one more release.
            if (DoorIoctl(fd, CdromLockDoorRequest(), 0) != 0) return false;
            Record(path, false);
            return true;
        }
        // Recorded before it is locked: a kill in between must never leave
        // a locked door that nothing knows of.
        const std::vector<std::string> before = RecordedDrives();
        const bool wasRecorded = std::find(before.begin(), before.end(), path) != before.end();
        Record(path, true);
        if (DoorIoctl(fd, CdromLockDoorRequest(), 1) == 0) return true;
        if (!wasRecorded) Record(path, false);
        return false;
    }
    return DoorIoctl(fd, lock ? ScsiDoorLockRequest() : ScsiDoorUnlockRequest(), 0) == 0;
}

void CloseDevice(HANDLE device) {
    if (device == InvalidDeviceHandle()) return;
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(device));
    if (openDrives().erase(fd)) close(fd);
}

int FormatDriveName(char* buffer, const char* format, char letter) {
    return std::snprintf(buffer, 16, format, letter);
}

void ReleaseRecordedDrives() {
    std::vector<std::string> keep;
    for (const std::string& path : RecordedDrives()) {
        int fd = -1;
        if (!OpenDoorDevice(path, fd)) {
            // A drive that is gone took its lock with it; one that refuses
            // now may open at the next start.
            if (errno != ENOENT && errno != ENXIO && errno != ENODEV) keep.push_back(path);
            continue;
        }
        bool released = DoorIoctl(fd, CdromLockDoorRequest(), 0) == 0;
        close(fd);
        if (!released) keep.push_back(path);
    }
    WriteRecord(keep);
}

bool DriveDevicePath(int index, char* buffer, unsigned size) {
    if (size == 0) return false;
    buffer[0] = '\0';
    if (index < 0 || index >= 26) return false;
    DriveDevice device = DeviceForLetter(static_cast<char>('A' + index));
    if (device.kind == DriveKind::None) return false;
    std::snprintf(buffer, size, "%s", device.path.c_str());
    return true;
}

// The optical drives' own record above (Record, ReleaseRecordedDrives)
// serves here: the door requests of this adapter are kept per device path.
void RecordDoorHeld(int, bool) {}
bool DoorLeftHeld(int) { return false; }
