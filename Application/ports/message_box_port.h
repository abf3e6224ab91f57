// Message boxes owned by no window.
#pragma once
#include <cstdint>

constexpr uint32_t kMbIconWarning = 0x30;

// MessageBoxA(no owner, text, caption, flags): waits until the user closes it.
void ShowMessageBox(const char* text, const char* caption, uint32_t flags);
