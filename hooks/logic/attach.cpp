#include "shared_state.h"
#include "version_port.h"

void* moduleInstance = nullptr;
OsVersionInfo versionInfo;
bool driveTablesReady = false;
HANDLE driveHandles[26];
int32_t driveLockCounts[26];

void OnProcessAttach(void* module) {
    moduleInstance = module;
    versionInfo.dwOSVersionInfoSize = 148;
    ReadVersionRecord(versionInfo);
}
