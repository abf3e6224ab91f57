// Named mutexes: the single-instance guard and the test for another
// program's mutex. On Linux a named mutex is a lock that the system frees
// when its process dies.
#pragma once
#include <string>

typedef void* MutexHandle;

// CreateMutexA(no security, not owned, name): kMutexExists when the platform
// reports that the mutex already existed (ERROR_ALREADY_EXISTS), kMutexFailed
// when it could not be made at all (Linux: its lock file cannot be opened
// safely; problem, when given, then says what is wrong). The mutex is held
// until the process ends.
enum MutexResult { kMutexCreated = 0, kMutexExists = 1, kMutexFailed = 2 };
MutexResult CreateNamedMutex(const char* name, std::string* problem = nullptr);

// OpenMutexA(MUTEX_ALL_ACCESS, not inheritable, name): a handle when a mutex
// of that name exists, else null.
MutexHandle OpenNamedMutex(const char* name);

// CloseHandle on a handle from OpenNamedMutex.
void CloseMutex(MutexHandle handle);
