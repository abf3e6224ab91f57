// The options dialog (templates 103 and 106).
#pragma once
#include <cstdint>

#include "messages.h"

// Fills the controls from options on WM_INITDIALOG; on command 2 ("OK", Esc
// or the close box) stores every control into options, ends the dialog and
// saves (a word that cannot be typed is refused first and the dialog stays
// open). TRUE for the messages it handles, FALSE otherwise.
intptr_t OptionsDialogProc(HWND dialog, uint32_t message, WParam wParam, LParam lParam);

constexpr uint32_t kMaxIdleMinutes = 999;

// Shown when the word in field 1036 cannot be typed: the character, the word kept.
constexpr const char* kWordRefusedText =
    "The unlock word cannot contain \"%c\": it cannot be typed on the current keyboard layout (it has no key, "
    "or needs AltGr or Ctrl+Alt after the first letter). The unlock word stays \"%s\".";
