// Linux only: the drive-door extras the controller calls beside LockAll.
//
// The 26 drive letters map to the machine's drives like this (stable while
// the kernel's names stay the same):
//   A: B: C:  never used
//   D: .. M:  the optical drives /dev/sr0 .. /dev/sr9 (D: is sr0, E: is sr1, ...)
//   N: .. Z:  the other block devices whose sysfs "removable" attribute is 1
//             (card readers, floppy and ZIP drives), in name order
// A held optical drive stays locked in the kernel even after its device is
// closed or the process dies, so every drive is recorded in a state file
// ($XDG_STATE_HOME/Bumblepad/drive-doors) before it is locked, and kept there
// until it is released.
#pragma once
#include "Hookwell.h"

#if !defined(_WIN32)
// Releases the doors that the state file records as held (left behind by a
// controller that ended without releasing them) and forgets them. Called
// once at start, before the first LockAll, and by the controller's watchdog
// after a controller ended without its orderly close. A device that is gone or refuses is
// skipped; one that refuses stays recorded for the next start.
HOOKWELL_API void ReleaseRecordedDrives();

// The device behind the drive letter 'A' + index (e.g. "/dev/sr0"), for the
// options dialog to show next to the letter. False, and buffer "", when the
// letter has no lockable drive.
HOOKWELL_API bool DriveDevicePath(int index, char* buffer, unsigned size);
#endif
