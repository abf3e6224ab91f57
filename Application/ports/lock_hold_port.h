// Whether the lock hook just installed really holds the input. On Windows
// the hooks always do; on Linux a grab that another client keeps cannot be
// taken, and a lock must never pretend to hold.
#pragma once

bool LockHookHolds();
