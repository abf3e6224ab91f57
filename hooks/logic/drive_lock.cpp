#include "drive_lock.h"

#include "drive_port.h"

namespace {

bool IsLockableType(uint32_t type) { return type == kDriveRemovable || type == kDriveCdrom; }

uint32_t DriveTypeOfLetter(char letter) {
    char root[16];
    FormatDriveName(root, "%c:\\", letter);
    return DriveTypeOf(root);
}

// Whether a door locked here stays locked when this process ends without
// releasing it: the media-removal request, sent on the NT family where the
// ejection-control test fails.
bool OutlivesItsHolder() { return IsNtFamily(versionInfo) && !HasEjectionControl(versionInfo); }

// A release through a device opened for it, whatever this process holds;
// true when the request was accepted.
bool ReleaseThroughFreshDevice(int index) {
    HANDLE device = OpenDriveDevice(static_cast<char>('A' + index));
    if (device == InvalidDeviceHandle()) return false;
    const bool released = SetDriveLock(false, device, index + 1);
    CloseDevice(device);
    return released;
}

void PrepareDriveTables() {
    if (driveTablesReady) return;
    for (int i = 0; i < 26; ++i) driveLockCounts[i] = 0;
    driveTablesReady = true;
    for (int i = 0; i < 26; ++i) driveHandles[i] = InvalidDeviceHandle();
}

}  // namespace

LegacyLockParams legacyLockParams{0, 0};

HANDLE OpenDriveDevice(char letter) {
    uint32_t type = DriveTypeOfLetter(letter);
    uint32_t access = HasEjectionControl(versionInfo) ? kFileReadAttributes : kGenericRead;
    if (!IsLockableType(type) || !IsNtFamily(versionInfo)) return InvalidDeviceHandle();
    char path[16];
    FormatDriveName(path, "\\\\.\\%c:", letter);
    return OpenDevice(path, access, kFileShareReadWrite, kOpenExisting, 0);
}

bool SetDriveLock(bool lock, HANDLE device, int driveNumber) {
    if (IsNtFamily(versionInfo)) {
        uint8_t prevent = lock ? 1 : 0;
        uint32_t code = HasEjectionControl(versionInfo) ? kIoctlStorageEjectionControl
                                                        : kIoctlStorageMediaRemoval;
        return DeviceRequest(device, code, &prevent, 1, nullptr, 0);
    }
    if (!IsLockableType(DriveTypeOfLetter(static_cast<char>(0x40 + driveNumber)))) return false;
    DiocRegisters regs = LockMediaLegacy(driveNumber, lock);
    return (regs.reg_Flags & kCarryFlag) == 0;
}

DiocRegisters LockMediaLegacy(int driveNumber, bool lock) {
    HANDLE vwin32 = OpenDevice("\\\\.\\vwin32", 0, 0, 0, kFileFlagDeleteOnClose);
    DiocRegisters regs{};
    for (uint32_t category : kLegacyLockCategories) {
        legacyLockParams.operation = lock ? 0 : 1;
        regs.reg_EBX = static_cast<uint32_t>(driveNumber);
        regs.reg_EDX = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&legacyLockParams));
        regs.reg_ECX = category;
        regs.reg_EAX = kDosGenericBlockIoctl;
        // The carry bit starts set: a request the device refuses leaves it so
        // and counts as failed, never as the outcome of the one before it.
        regs.reg_Flags = kCarryFlag;
        bool accepted =
            DeviceRequest(vwin32, kVwin32DiocDosIoctl, &regs, sizeof regs, &regs, sizeof regs);
        if (!accepted) regs.reg_Flags |= kCarryFlag;
        if (lock && (regs.reg_Flags & kCarryFlag) == 0) break;
    }
    CloseDevice(vwin32);
    return regs;
}

void LockAll(bool lock, const bool* drives) {
    PrepareDriveTables();
    const bool nt = IsNtFamily(versionInfo);
    for (int i = 0; i < 26; ++i) {
        const char letter = static_cast<char>('A' + i);
        const int driveNumber = i + 1;
        if (lock && drives[i]) {
            if (nt) {
                if (driveHandles[i] == InvalidDeviceHandle()) {
                    driveHandles[i] = OpenDriveDevice(letter);
                    // A drive whose request was refused still counts as held,
                    // so it is not repeated; only an accepted lock that would
                    // outlive this process is recorded.
                    if (driveHandles[i] != InvalidDeviceHandle() &&
                        SetDriveLock(true, driveHandles[i], driveNumber) && OutlivesItsHolder())
                        RecordDoorHeld(i, true);
                }
            } else if (driveLockCounts[i] == 0 && SetDriveLock(true, nullptr, driveNumber)) {
                driveLockCounts[i] = 1;
            }
        } else if (nt) {
            if (driveHandles[i] != InvalidDeviceHandle()) {
                // A refused release keeps the record: the door may still be
                // held when this process ends.
                if (SetDriveLock(false, driveHandles[i], driveNumber)) RecordDoorHeld(i, false);
                CloseDevice(driveHandles[i]);
                driveHandles[i] = InvalidDeviceHandle();
            } else if (!lock && drives[i] && DoorLeftHeld(i) && ReleaseThroughFreshDevice(i)) {
                // Released too: a selected door that a process which has
                // ended left held.
                RecordDoorHeld(i, false);
            }
        } else if (!lock && drives[i] && driveLockCounts[i] != 0) {
            if (SetDriveLock(false, nullptr, driveNumber)) driveLockCounts[i] = 0;
        }
    }
}

void ForceUnlock(bool, const bool* drives) {
    for (int i = 0; i < 26; ++i)
        if (drives[i] && ReleaseThroughFreshDevice(i)) RecordDoorHeld(i, false);
}
