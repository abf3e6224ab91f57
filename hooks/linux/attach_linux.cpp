#include "shared_state.h"
#include "version_port.h"

// The platform answers as the NT family 6.1, so the newer paths (low-level
// keyboard lock, last-input service, ejection control) apply everywhere.
void ReadVersionRecord(OsVersionInfo& info) {
    info.dwMajorVersion = 6;
    info.dwMinorVersion = 1;
    info.dwBuildNumber = 7601;
    info.dwPlatformId = kPlatformWin32Nt;
}

__attribute__((constructor)) static void HookwellAttach() {
    OnProcessAttach(reinterpret_cast<void*>(&HookwellAttach));
}
