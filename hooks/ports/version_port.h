// Reads the platform's version record (GetVersionExA on Windows).
#pragma once
#include "os_version.h"

void ReadVersionRecord(OsVersionInfo& info);
