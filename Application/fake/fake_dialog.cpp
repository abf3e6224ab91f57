#include "fake_dialog.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "dialog_port.h"
#include "fake_platform.h"

namespace fake {
DialogScript dialog;
void ResetDialog() { dialog = DialogScript(); }
}  // namespace fake

using fake::calls;
using fake::dialog;

static HWND const kFakeDialog = reinterpret_cast<HWND>(0xD1A);
static HWND const kFakeHint = reinterpret_cast<HWND>(0x41E7);

intptr_t RunModalDialog(void*, int templateId, HWND, DialogProcedure procedure) {
    calls.push_back("DialogBoxParamA(" + std::to_string(templateId) + ")");
    dialog.ended = -1;
    procedure(kFakeDialog, WM_INITDIALOG, 0, 0);
    if (dialog.userEdits) dialog.userEdits();
    if (dialog.closes) procedure(kFakeDialog, WM_COMMAND, 2, 0);
    return dialog.ended;
}

HWND CreateModelessDialog(void*, int templateId, HWND) {
    calls.push_back("CreateDialogParamA(" + std::to_string(templateId) + ")");
    return dialog.modelessFails ? nullptr : kFakeHint;
}

void EndDialogBox(HWND, intptr_t result) {
    calls.push_back("EndDialog(" + std::to_string(result) + ")");
    dialog.ended = static_cast<int>(result);
}

void CheckDialogButton(HWND, int id, bool checked) {
    calls.push_back("CheckDlgButton(" + std::to_string(id) + "," + (checked ? "1" : "0") + ")");
    dialog.checks[id] = checked;
}

bool IsDialogButtonChecked(HWND, int id) {
    auto it = dialog.checks.find(id);
    return it != dialog.checks.end() && it->second;
}

void SetDialogItemUInt(HWND, int id, uint32_t value) {
    calls.push_back("SetDlgItemInt(" + std::to_string(id) + "," + std::to_string(value) + ")");
    dialog.texts[id] = std::to_string(value);
}

uint32_t GetDialogItemUInt(HWND, int id) {
    // As GetDlgItemInt, unsigned: digits only, 0 when empty or too large.
    const std::string& text = dialog.texts[id];
    if (text.empty()) return 0;
    unsigned long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 0xFFFFFFFFull) return 0;
    }
    return static_cast<uint32_t>(value);
}

void SetDialogItemText(HWND window, int id, const char* text) {
    calls.push_back(std::string("SetDlgItemTextA(") + (window == kFakeHint ? "hint," : "") + std::to_string(id) +
                    "," + text + ")");
    dialog.texts[id] = text;
}

bool GetDialogItemText(HWND, int id, char* buffer, int size) {
    if (dialog.absentItems.count(id)) return false;
    const std::string& text = dialog.texts[id];
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return true;
}
