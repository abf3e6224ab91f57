#include "fake_hooks.h"
#include "version_port.h"

namespace fakehooks {
OsVersionInfo version;
}

void ReadVersionRecord(OsVersionInfo& info) {
    info = fakehooks::version;
    info.dwOSVersionInfoSize = 148;
}
