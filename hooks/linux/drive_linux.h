// The Linux side of the storage-device port: drive letters mapped to optical
// and removable block devices, door locks through the kernel's ioctls, and
// the record of held optical drives. The directories, the state file and the
// ioctl call can be replaced, so the tests run against fake device nodes.
#pragma once
#include <string>
#include <vector>

namespace drivelinux {

enum class DriveKind { None, Optical, Removable };

struct DriveDevice {
    DriveKind kind = DriveKind::None;
    std::string path;  // e.g. "/dev/sr0"
};

struct Environment {
    std::string devDir = "/dev";
    std::string sysBlockDir = "/sys/block";
    std::string stateFile;  // empty: $XDG_STATE_HOME (or ~/.local/state)/Bumblepad/drive-doors
    // ioctl(fd, request, arg) as the kernel answers it: 0 or -1 with errno.
    int (*doorIoctl)(int fd, unsigned long request, unsigned long arg) = nullptr;
};

// The environment in use (tests change it; nullptr doorIoctl means the real ioctl).
Environment& environment();

// The device behind drive letter 'A'..'Z'.
DriveDevice DeviceForLetter(char letter);

// The path of the state file in use.
std::string StateFilePath();

// The device paths the state file records as held.
std::vector<std::string> RecordedDrives();

// The ioctl requests used: CD-ROM door lock, SCSI door lock and unlock.
unsigned long CdromLockDoorRequest();
unsigned long ScsiDoorLockRequest();
unsigned long ScsiDoorUnlockRequest();

}  // namespace drivelinux
