// The shared variables. On Windows they live in one read/write/shared section
// named ".IdleTra", so every process that loads the library (the system loads
// it into each process that receives input while a classic hook is installed)
// sees one copy. Each carries an explicit initial value, which also keeps it
// out of .bss. GCC ignores "#pragma data_seg"; the section attribute is what
// works with mingw-w64.
#include "shared_state.h"

#if defined(_WIN32)
#define HOOKWELL_SHARED __attribute__((section(".IdleTra"), shared))
#else
#define HOOKWELL_SHARED
#endif

uint32_t lastInputTime HOOKWELL_SHARED = 0;
HHOOK trackerKeyboardHook HOOKWELL_SHARED = nullptr;
HHOOK trackerMouseHook HOOKWELL_SHARED = nullptr;
HHOOK lockKeyboardHook HOOKWELL_SHARED = nullptr;
HHOOK lockMouseHook HOOKWELL_SHARED = nullptr;
HWND reportWindow HOOKWELL_SHARED = nullptr;
uint32_t wheelCount HOOKWELL_SHARED = 0;
HookPoint lastMousePoint HOOKWELL_SHARED = {0, 0};
uint8_t keyDownTable[256] HOOKWELL_SHARED = {0};
bool repeatKeys HOOKWELL_SHARED = true;
int32_t screenSaverState HOOKWELL_SHARED = 0;
