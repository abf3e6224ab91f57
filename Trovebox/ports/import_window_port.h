// The modeless "Import progress" window: a file-name text (control 1009) and
// a progress bar (control 1008).
#pragma once
#include <cstdint>
#include <string>

#include "handles.h"

constexpr uint32_t kPbmStepIt = 0x0405;
constexpr uint32_t kPbmSetRange32 = 0x0406;

// CreateDialogParamA of resource 129 owned by owner; shown and centred on the
// screen at once. Null when it could not be created.
DialogHandle CreateImportWindow(DialogHandle owner);

// SetDlgItemTextA(window, id, text), shown at once.
void SetImportItemText(DialogHandle window, int id, const std::string& text);

// SendMessageA to the control id of the window.
void SendImportItemMessage(DialogHandle window, int id, uint32_t message, uintptr_t wParam,
                           intptr_t lParam);

// DestroyWindow.
void DestroyImportWindow(DialogHandle window);
