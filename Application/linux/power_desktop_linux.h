// The power key's setting in the desktop's own power manager (GNOME's
// settings daemon, KDE's PowerDevil), where one runs on the session bus.
#pragma once

// Whether a desktop power manager handles the power key itself.
bool DesktopHandlesPowerKey();

// Records the desktop's current setting, then makes the power key do nothing.
// True when a desktop power manager runs and took the change.
bool DesktopPowerKeyDoesNothing();

// Writes back exactly what DesktopPowerKeyDoesNothing recorded.
void DesktopPowerKeyRestore();

// At start: puts back what a killed run recorded and never restored.
void RestoreDesktopPowerKeyLeftChanged();
