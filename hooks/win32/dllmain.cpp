#include <windows.h>

#include "shared_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) OnProcessAttach(instance);
    return TRUE;
}

// The system-wide hooks load this library into every process that receives
// input while they are set, and the library must leave those processes as it
// found them. The MinGW runtime's thread-attach callback calls _fpreset,
// whose runtime version runs fninit: every thread a host process started
// afterwards would compute with the x87's 64-bit precision instead of the
// 53 bits the system gives each new thread. The library does no floating
// point, so its _fpreset (which the runtime's callback then calls) does
// nothing.
extern "C" void _fpreset(void) {}
