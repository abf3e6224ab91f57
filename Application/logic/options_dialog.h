// The options dialog (templates 103 and 106).
#pragma once
#include <cstdint>

#include "messages.h"

// Fills the controls from options on WM_INITDIALOG; on command 2 ("OK", Esc
// or the close box) stores every control into options, ends the dialog and
// saves. TRUE for the messages it handles, FALSE otherwise.
intptr_t OptionsDialogProc(HWND dialog, uint32_t message, WParam wParam, LParam lParam);

constexpr uint32_t kMaxIdleMinutes = 999;
