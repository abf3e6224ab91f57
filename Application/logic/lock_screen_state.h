// The lock screen's own state between reports.
#pragma once
#include <cstdint>

extern bool lockScreenPrepared;  // PrepareLockScreen has run for the current lock
extern int32_t trailAnchorX;     // mouse position at the end of the last move
extern int32_t trailAnchorY;
extern bool trailRestart;        // the next move only takes its position as the anchor
