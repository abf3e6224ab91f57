// Named mutexes: the single-instance guard and the test for another
// program's mutex. On Linux a named mutex is a lock that the system frees
// when its process dies.
#pragma once

typedef void* MutexHandle;

// CreateMutexA(no security, not owned, name). Returns true when the platform
// reports that the mutex already existed (ERROR_ALREADY_EXISTS). The mutex is
// held until the process ends.
bool CreateNamedMutex(const char* name);

// OpenMutexA(MUTEX_ALL_ACCESS, not inheritable, name): a handle when a mutex
// of that name exists, else null.
MutexHandle OpenNamedMutex(const char* name);

// CloseHandle on a handle from OpenNamedMutex.
void CloseMutex(MutexHandle handle);
