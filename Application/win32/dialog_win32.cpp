// Windows adapter of the dialog port.
#include <windows.h>

#include "dialog_port.h"

// The procedure of the modal dialog that is open (one at a time).
static DialogProcedure modalProcedure = nullptr;

static INT_PTR CALLBACK ModalThunk(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return modalProcedure ? modalProcedure(dialog, message, wParam, lParam) : FALSE;
}

intptr_t RunModalDialog(void* instance, int templateId, HWND owner, DialogProcedure procedure) {
    DialogProcedure previous = modalProcedure;
    modalProcedure = procedure;
    INT_PTR result =
        DialogBoxParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(templateId), owner, ModalThunk, 0);
    modalProcedure = previous;
    return result;
}

HWND CreateModelessDialog(void* instance, int templateId, HWND owner) {
    return CreateDialogParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(templateId), owner, nullptr, 0);
}

void EndDialogBox(HWND dialog, intptr_t result) { EndDialog(dialog, result); }

void CheckDialogButton(HWND dialog, int id, bool checked) {
    CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

bool IsDialogButtonChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetDialogItemUInt(HWND dialog, int id, uint32_t value) { SetDlgItemInt(dialog, id, value, FALSE); }

uint32_t GetDialogItemUInt(HWND dialog, int id) {
    BOOL translated = FALSE;
    UINT value = GetDlgItemInt(dialog, id, &translated, FALSE);
    return translated ? value : 0;
}

void SetDialogItemText(HWND dialog, int id, const char* text) { SetDlgItemTextA(dialog, id, text); }

bool GetDialogItemText(HWND dialog, int id, char* buffer, int size) {
    if (!GetDlgItem(dialog, id)) return false;
    GetDlgItemTextA(dialog, id, buffer, size);
    return true;
}
