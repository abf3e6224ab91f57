// What the Linux switches adapter offers beside its ports.
#pragma once

// Switches the AccessX hot keys back on where an X display with XKB is still
// there and they are off (for the watchdog, after a controller that had
// switched them off for a lock ended without putting them back).
void RestoreAccessXHotKeys();
