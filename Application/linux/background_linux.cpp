// Background work on Linux: a detached thread per task; memory handed back
// with malloc_trim.
#include <malloc.h>

#include <thread>

#include "background_port.h"

void RunInBackground(void (*task)(void*), void* argument) {
    try {
        std::thread(task, argument).detach();
    } catch (...) {
        task(argument);  // no thread to be had: do the work here
    }
}

void ReturnFreeMemory() { malloc_trim(0); }
