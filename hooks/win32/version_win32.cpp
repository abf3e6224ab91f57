#include <windows.h>

#include "version_port.h"

static_assert(sizeof(OSVERSIONINFOA) == sizeof(OsVersionInfo), "layouts agree");

void ReadVersionRecord(OsVersionInfo& info) {
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
}
