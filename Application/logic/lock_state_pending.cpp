// The lock state lands with the controller's lock work; until then the
// variables exist and the operations do nothing. (This file goes then.)
#include "lock_state.h"

bool locked = false;
bool keyboardOnly = false;
HWND hintWindow = nullptr;

void BeginFullLock(bool) {}
void BeginKeyboardLock() {}
void EndControllerLock() {}
HWND CreateHintWindow() { return nullptr; }
