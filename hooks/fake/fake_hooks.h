// Recording fakes of the hook library's platform ports, for the tests.
#pragma once
#include <string>
#include <vector>

#include "os_version.h"

namespace fakehooks {
extern OsVersionInfo version;  // what ReadVersionRecord hands out
}
