// The power key's setting in the desktop's own power manager (GNOME's
// settings daemon, KDE's PowerDevil), where one runs on the session bus.
#pragma once

// Whether a desktop power manager handles the power key itself.
bool DesktopHandlesPowerKey();

// Records the desktop's current setting, then makes the power key do nothing.
// True when a desktop power manager runs and took the change.
bool DesktopPowerKeyDoesNothing();

// Puts back what DesktopPowerKeyDoesNothing recorded, where the setting
// still holds the value it set.
void DesktopPowerKeyRestore();

// At start, and in the watchdog after a controller ended out of order: puts
// back what the record holds, as DesktopPowerKeyRestore does.
void RestoreDesktopPowerKeyLeftChanged();
