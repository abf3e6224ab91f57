// The x87 precision of the controller's threads: double (53-bit mantissas),
// so that the 32-bit build rounds as the 64-bit builds and the design do
// (docs/windows.md, "Floating point on 32-bit Windows"). Set where each
// thread starts rather than trusted to what the runtime and the libraries
// loaded into the process did at thread creation.
#pragma once
#include <float.h>

inline void UseDoublePrecision() {
#if defined(__i386__)
    _control87(_PC_53, _MCW_PC);
#endif
}
