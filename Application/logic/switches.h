// Power button and accessibility hot-key switches.
#pragma once

// Saves the global power policy and writes one in which the power and sleep
// buttons do nothing. False when the system refused the change (on Linux: no
// power manager of the desktop and no logind took it), so that the buttons
// still work; powerButtonRefused then stays set until the next success.
bool DisablePowerButton();
extern bool powerButtonRefused;

// Writes the saved power policy back. The menu form also passes it to the
// re-activation of the active scheme; the closing form passes none.
enum class PowerRestoreForm { Menu, Closing };
void RestorePowerPolicy(PowerRestoreForm form);

// At start, before the settings are applied: what a run that ended without
// its clean-up left changed is put back: the platform's own record
// (RestorePowerButtonsLeftChanged), then the power and sleep buttons of the
// policy record, over the policy as it is now.
void PutBackPowerButtonsLeftChanged();

// true: save the four accessibility settings and clear their hot-key bits;
// false: put the saved settings back.
void SetAccessibilityHotkeys(bool lock);

// The saved copies (read by the tests).
struct GlobalPowerPolicy;
struct FilterKeysInfo;
struct MouseKeysInfo;
struct StickyKeysInfo;
struct ToggleKeysInfo;
extern GlobalPowerPolicy savedPowerPolicy;
extern FilterKeysInfo savedFilterKeys;
extern MouseKeysInfo savedMouseKeys;
extern StickyKeysInfo savedStickyKeys;
extern ToggleKeysInfo savedToggleKeys;
