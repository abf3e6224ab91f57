// The power and accessibility switches land with the input-lock work; until
// then their calls keep their place in the controller's order and do nothing.
#include "switches.h"

void DisablePowerButton() {}
void RestorePowerPolicy(PowerRestoreForm) {}
void SetAccessibilityHotkeys(bool) {}
