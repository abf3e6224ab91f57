// GetVersionExA: the platform id and version numbers (Linux answers as NT 6.1).
#pragma once
#include "os_version.h"

void ReadOsVersion(OsVersionInfo& info);
