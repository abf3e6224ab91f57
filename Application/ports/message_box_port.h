// Message boxes owned by no window, and notes in the program's log.
#pragma once
#include <cstdint>

constexpr uint32_t kMbIconWarning = 0x30;

// MessageBoxA(no owner, text, caption, flags): waits until the user closes it.
void ShowMessageBox(const char* text, const char* caption, uint32_t flags);

// One line in the log, for what nobody waits to be told: the debugger output
// (OutputDebugStringA) on Windows, the standard error (the session's journal)
// on Linux.
void LogNote(const char* text);
