// The media manager's ports over the Win32 API: list boxes, files, the
// open-file dialog, the "Import progress" dialog, message boxes and sound.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "file_chooser_port.h"
#include "file_port.h"
#include "import_window_port.h"
#include "list_box_port.h"
#include "message_box_port.h"
#include "resource.h"
#include "sound_port.h"

namespace {
HWND Window(DialogHandle dialog) { return static_cast<HWND>(dialog); }

LRESULT SendItem(DialogHandle dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendDlgItemMessageA(Window(dialog), id, message, wParam, lParam);
}
}  // namespace

// ---- List boxes ------------------------------------------------------------

int ListAddString(DialogHandle dialog, int id, const std::string& text) {
    return static_cast<int>(SendItem(dialog, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int ListGetSelCount(DialogHandle dialog, int id) {
    return static_cast<int>(SendItem(dialog, id, LB_GETSELCOUNT, 0, 0));
}

int ListGetCurSel(DialogHandle dialog, int id) { return static_cast<int>(SendItem(dialog, id, LB_GETCURSEL, 0, 0)); }

std::string ListGetText(DialogHandle dialog, int id, int index) {
    LRESULT length = SendItem(dialog, id, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return std::string();
    std::vector<char> text(static_cast<size_t>(length) + 1);
    SendItem(dialog, id, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    return text.data();
}

int ListGetSelItems(DialogHandle dialog, int id, int maxItems, int* items) {
    LRESULT count = SendItem(dialog, id, LB_GETSELITEMS, static_cast<WPARAM>(maxItems), reinterpret_cast<LPARAM>(items));
    return count == LB_ERR ? 0 : static_cast<int>(count);
}

void ListDeleteString(DialogHandle dialog, int id, int index) {
    SendItem(dialog, id, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

// ---- Files -----------------------------------------------------------------

char PathSeparator() { return '\\'; }

uint32_t GetCurrentDir(uint32_t size, char* buffer) { return GetCurrentDirectoryA(size, buffer); }

FindHandle FindFirstEntry(const std::string& pattern, std::string& name) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return nullptr;
    name = data.cFileName;
    return find;
}

bool FindNextEntry(FindHandle find, std::string& name) {
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(static_cast<HANDLE>(find), &data)) return false;
    name = data.cFileName;
    return true;
}

void FindEnd(FindHandle find) { FindClose(static_cast<HANDLE>(find)); }

bool CopyOneFile(const std::string& source, const std::string& destination, bool failIfExists) {
    return CopyFileA(source.c_str(), destination.c_str(), failIfExists ? TRUE : FALSE) != FALSE;
}

bool DeleteOneFile(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

bool ReplaceWithFile(const std::string& source, const std::string& destination) {
    return MoveFileExA(source.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

// ---- Open-file dialog ------------------------------------------------------

namespace {

// Centres the open-file dialog on its owner once it is up.
UINT_PTR CALLBACK CentreHook(HWND child, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_NOTIFY && reinterpret_cast<OFNOTIFYA*>(lParam)->hdr.code == CDN_INITDONE) {
        HWND dialog = GetParent(child);
        HWND owner = reinterpret_cast<OFNOTIFYA*>(lParam)->lpOFN->hwndOwner;
        RECT outer, inner;
        if (owner && GetWindowRect(owner, &outer) && GetWindowRect(dialog, &inner)) {
            int x = outer.left + ((outer.right - outer.left) - (inner.right - inner.left)) / 2;
            int y = outer.top + ((outer.bottom - outer.top) - (inner.bottom - inner.top)) / 2;
            SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    return 0;
}

}  // namespace

bool RunOpenFileDialog(DialogHandle owner, const char* filter, char* buffer, uint32_t capacity, uint32_t flags) {
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Window(owner);
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer;
    dialog.nMaxFile = capacity;
    dialog.Flags = flags;
    dialog.lpfnHook = CentreHook;
    return GetOpenFileNameA(&dialog) != FALSE;
}

// ---- Import progress -------------------------------------------------------

namespace {
INT_PTR CALLBACK ImportDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }
}  // namespace

DialogHandle CreateImportWindow(DialogHandle owner) {
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_IMPORT_PROGRESS), Window(owner),
                              ImportDialogProc, 0);
}

void SetImportItemText(DialogHandle window, int id, const std::string& text) {
    SetDlgItemTextA(Window(window), id, text.c_str());
    UpdateWindow(GetDlgItem(Window(window), id));
}

void SendImportItemMessage(DialogHandle window, int id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    SendItem(window, id, message, wParam, lParam);
}

void DestroyImportWindow(DialogHandle window) { DestroyWindow(Window(window)); }

// ---- Message boxes and sound -----------------------------------------------

void ShowMessageBox(DialogHandle owner, const std::string& text, const std::string& caption, uint32_t flags) {
    MessageBoxA(Window(owner), text.c_str(), caption.c_str(), flags);
}

void PlaySoundFile(const std::string& path, uint32_t flags) { PlaySoundA(path.c_str(), nullptr, flags); }
