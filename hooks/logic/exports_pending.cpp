// Exports whose bodies land with the hook and drive-door work. They keep their
// final signatures so that the controller links against them already.
#include "shared_state.h"

void SetKeyboardHook(HWND window, bool, bool) { reportWindow = window; }
void RemoveKeyboardHook(bool) {}
void KeyboardHookRepeat(bool repeat) { repeatKeys = repeat; }
void InstallInputTracker() {}
unsigned long GetLastInput() { return lastInputTime; }
void RemoveInputTracker() {}
#if !defined(_WIN32)
bool KeyboardHookHolds() { return false; }
#endif
