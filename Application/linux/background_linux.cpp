// Background work on Linux: a detached thread per task; memory handed back
// with malloc_trim.
#include <malloc.h>

#include <thread>

#include "background_port.h"

bool RunInBackground(void (*task)(void*), void* argument) {
    try {
        std::thread(task, argument).detach();
        return true;
    } catch (...) {
        return false;  // no thread to be had
    }
}

void ReturnFreeMemory() { malloc_trim(0); }
