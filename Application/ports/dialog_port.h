// Windows made from dialog templates and their items.
#pragma once
#include <cstdint>

#include "messages.h"

#ifndef WM_INITDIALOG
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#endif

typedef intptr_t (*DialogProcedure)(HWND dialog, uint32_t message, WParam wParam, LParam lParam);

// DialogBoxParamA(instance, templateId, owner, procedure, 0): runs the dialog
// modally and returns the value given to EndDialogBox.
intptr_t RunModalDialog(void* instance, int templateId, HWND owner, DialogProcedure procedure);

// CreateDialogParamA(instance, templateId, owner, no procedure, 0): a
// modeless window made from the template; null when it cannot be made.
HWND CreateModelessDialog(void* instance, int templateId, HWND owner);

// EndDialog: the modal dialog ends and its window is destroyed.
void EndDialogBox(HWND dialog, intptr_t result);

// CheckDlgButton (BST_CHECKED 1 / BST_UNCHECKED 0) and IsDlgButtonChecked.
void CheckDialogButton(HWND dialog, int id, bool checked);
bool IsDialogButtonChecked(HWND dialog, int id);

// SetDlgItemInt, unsigned.
void SetDialogItemUInt(HWND dialog, int id, uint32_t value);
// GetDlgItemInt, unsigned: 0 when the text is empty, not a number or too
// large for 32 bits.
uint32_t GetDialogItemUInt(HWND dialog, int id);

// SetDlgItemTextA.
void SetDialogItemText(HWND dialog, int id, const char* text);
// GetDlgItemTextA(dialog, id, buffer, size): at most size - 1 characters and
// a NUL. false when the dialog has no item of that id (buffer untouched).
bool GetDialogItemText(HWND dialog, int id, char* buffer, int size);
