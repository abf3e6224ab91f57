// The media manager on Windows: the program's entry, the main dialog's
// window procedure and the window port (icon, painting, drawing).
#include <windows.h>
#include <commctrl.h>

#include "dialog_window_port.h"
#include "media_app.h"
#include "media_dlg.h"
#include "resource.h"

namespace {

PAINTSTRUCT paint;  // the paint cycle under way (one thread, one dialog)

// The main dialog's window procedure: its messages go to CMediaDlg, whose
// message map takes the control notifications.
INT_PTR CALLBACK MediaDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* dialog = reinterpret_cast<CMediaDlg*>(GetWindowLongPtrA(window, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        return reinterpret_cast<CMediaDlg*>(lParam)->OnInitDialog(window) ? TRUE : FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(window, LOWORD(wParam));
            return TRUE;
        }
        return dialog && dialog->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_PAINT:
        if (!dialog) return FALSE;
        dialog->OnPaint();
        return TRUE;
    case WM_QUERYDRAGICON:
        return dialog ? reinterpret_cast<INT_PTR>(dialog->OnQueryDragIcon()) : 0;
    }
    return FALSE;
}

HWND Window(DialogHandle dialog) { return static_cast<HWND>(dialog); }

}  // namespace

void InitControls() { InitCommonControls(); }

IconHandle LoadAppIcon() { return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP_ICON)); }

void SetDialogIcon(DialogHandle dialog, int which, IconHandle icon) {
    SendMessageA(Window(dialog), WM_SETICON, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(icon));
}

bool IsDialogIconic(DialogHandle dialog) { return IsIconic(Window(dialog)) != FALSE; }

PaintContext BeginDialogPaint(DialogHandle dialog) { return BeginPaint(Window(dialog), &paint); }

void EndDialogPaint(DialogHandle dialog) { EndPaint(Window(dialog), &paint); }

void DefaultDialogPaint(DialogHandle dialog) {
    BeginPaint(Window(dialog), &paint);
    EndPaint(Window(dialog), &paint);
}

void EraseIconBackground(DialogHandle dialog, PaintContext dc) {
    SendMessageA(Window(dialog), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
}

void GetClientSize(DialogHandle dialog, int& width, int& height) {
    RECT client;
    GetClientRect(Window(dialog), &client);
    width = client.right - client.left;
    height = client.bottom - client.top;
}

int SystemMetric(int index) { return GetSystemMetrics(index); }

void DrawIconAt(PaintContext dc, int x, int y, IconHandle icon) {
    DrawIcon(static_cast<HDC>(dc), x, y, static_cast<HICON>(icon));
}

PaintContext GetDialogDC(DialogHandle dialog) { return GetDC(Window(dialog)); }

void ReleaseDialogDC(DialogHandle dialog, PaintContext dc) { ReleaseDC(Window(dialog), static_cast<HDC>(dc)); }

void SetStretchMode(PaintContext dc, int mode) { SetStretchBltMode(static_cast<HDC>(dc), mode); }

void StretchDib(PaintContext dc, int x, int y, int width, int height, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, const void* bits, const void* info, uint32_t usage,
                uint32_t rop) {
    StretchDIBits(static_cast<HDC>(dc), x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight,
                  bits, static_cast<const BITMAPINFO*>(info), usage, rop);
}

void InvalidateDialogRect(DialogHandle dialog, int left, int top, int right, int bottom, bool erase) {
    RECT rect = {left, top, right, bottom};
    InvalidateRect(Window(dialog), &rect, erase ? TRUE : FALSE);
}

intptr_t RunMediaDialog(CMediaDlg& dialog) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MEDIA_DIALOG), nullptr,
                           MediaDialogProc, reinterpret_cast<LPARAM>(&dialog));
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CMediaApp app;
    return app.InitInstance();
}
