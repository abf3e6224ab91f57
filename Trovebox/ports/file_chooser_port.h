// The multi-selection open-file dialog.
#pragma once
#include <cstdint>

#include "handles.h"

constexpr uint32_t kOfnHideReadOnly = 0x4;
constexpr uint32_t kOfnEnableHook = 0x20;
constexpr uint32_t kOfnAllowMultiSelect = 0x200;
constexpr uint32_t kOfnExplorer = 0x80000;

// GetOpenFileNameA owned by owner and centred on it once it is up: filter is
// pairs of NUL-terminated texts ending in an empty one, the first pair
// selected; buffer (capacity characters) holds the initial file name and
// receives the selection: one full path, or the folder followed by each
// name, every one NUL-terminated, with one more NUL at the end. False when
// the user cancelled, the selection did not fit, or the dialog failed.
bool RunOpenFileDialog(DialogHandle owner, const char* filter, char* buffer, uint32_t capacity,
                       uint32_t flags);
