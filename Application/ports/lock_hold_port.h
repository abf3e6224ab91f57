// Whether the lock hook just installed really holds the input. On Windows
// the hooks always do; on Linux a grab that another client keeps cannot be
// taken, and a lock must never pretend to hold.
#pragma once

bool LockHookHolds();

// What the parent is told when it does not: kLockFailedText, or on a desktop
// where no lock of that kind can hold, why not.
const char* LockRefusalText();
