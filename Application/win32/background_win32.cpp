// Background work on Windows: a thread per task (CreateThread).
#include <malloc.h>
#include <windows.h>

#include <new>

#include "background_port.h"
#include "precision_win32.h"

namespace {
struct Task {
    void (*run)(void*);
    void* argument;
};

DWORD WINAPI RunTask(void* parameter) {
    Task task = *static_cast<Task*>(parameter);
    delete static_cast<Task*>(parameter);
    UseDoublePrecision();
    task.run(task.argument);
    return 0;
}
}  // namespace

bool RunInBackground(void (*task)(void*), void* argument) {
    auto* start = new (std::nothrow) Task{task, argument};
    if (!start) return false;
    HANDLE thread = CreateThread(nullptr, 0, RunTask, start, 0, nullptr);
    if (!thread) {
        delete start;
        return false;  // no thread to be had
    }
    CloseHandle(thread);
    return true;
}

void ReturnFreeMemory() {
    _heapmin();
    HeapCompact(GetProcessHeap(), 0);
}
