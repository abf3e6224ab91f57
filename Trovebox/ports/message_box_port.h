// Message boxes.
#pragma once
#include <cstdint>
#include <string>

#include "handles.h"

constexpr uint32_t kMbOk = 0x0;
constexpr uint32_t kMbIconExclamation = 0x30;

// MessageBoxA(owner, text, caption, flags): waits until the user closes it.
void ShowMessageBox(DialogHandle owner, const std::string& text, const std::string& caption,
                    uint32_t flags);
