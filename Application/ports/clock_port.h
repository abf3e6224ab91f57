// Time, so that the logic never reads a clock of its own.
#pragma once
#include <cstdint>

// Milliseconds since the system started, unsigned 32-bit, wrapping (the
// GetTickCount clock; on Linux the same clock the hook library reports idle
// time on).
uint32_t TickCount();

// Whole seconds since 1 January 1970, 00:00 UTC.
int64_t CalendarSeconds();
