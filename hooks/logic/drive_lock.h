// Holding the doors of removable and CD-ROM drives shut.
//
// NT family: each held drive keeps an open handle on its own device
// (\\.\X:) on which media removal was prevented. Older family: the request
// goes through the DOS-services device (\\.\vwin32) as a generic block-device
// IOCTL, and a counter records that this process holds the drive.
//
// The state machine lives in LockAll (the export, in drive_lock.cpp); the
// helpers below are the steps it is built from. All platform access goes
// through drive_port.h.
#pragma once
#include <cstdint>

#include "shared_state.h"

// The handle value the system returns for a refused open.
inline HANDLE InvalidDeviceHandle() { return reinterpret_cast<HANDLE>(~uintptr_t(0)); }

constexpr uint32_t kDriveRemovable = 2;
constexpr uint32_t kDriveCdrom = 5;

constexpr uint32_t kIoctlStorageEjectionControl = 0x2D0940;
constexpr uint32_t kIoctlStorageMediaRemoval = 0x2D4804;
constexpr uint32_t kFileReadAttributes = 0x80;
constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kFileShareReadWrite = 3;
constexpr uint32_t kOpenExisting = 3;
constexpr uint32_t kFileFlagDeleteOnClose = 0x04000000;

constexpr uint32_t kVwin32DiocDosIoctl = 1;
constexpr uint32_t kDosGenericBlockIoctl = 0x440D;
constexpr uint32_t kLegacyLockCategories[4] = {0x4848, 0x0848, 0x4848, 0x0848};
constexpr uint32_t kCarryFlag = 1;

// The published register block of the DOS-services device: input and output.
struct DiocRegisters {
    uint32_t reg_EBX;
    uint32_t reg_EDX;
    uint32_t reg_ECX;
    uint32_t reg_EAX;
    uint32_t reg_EDI;
    uint32_t reg_ESI;
    uint32_t reg_Flags;
};
static_assert(sizeof(DiocRegisters) == 28, "seven 32-bit fields");

// The parameter block of function 48h: operation (0 lock, 1 unlock), then the
// lock count the system returns (not read).
struct LegacyLockParams {
    uint8_t operation;
    uint8_t lockCount;
};

// The parameter block that LockMediaLegacy fills and whose address it passes
// in reg_EDX (the low 32 bits of it, all there is on the 32-bit system).
extern LegacyLockParams legacyLockParams;

// The drive's device opened for a media-removal request, or the invalid
// handle: only removable and CD-ROM drives, and only on the NT family.
HANDLE OpenDriveDevice(char letter);

// One lock (true) or release (false) request for drive number driveNumber
// (1 = A:). NT family: on device. Older family: device unused.
bool SetDriveLock(bool lock, HANDLE device, int driveNumber);

// The older family's request sequence; returns the register block as the
// last request left it.
DiocRegisters LockMediaLegacy(int driveNumber, bool lock);
