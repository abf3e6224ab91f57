// The media manager's application and main dialog on Windows. The commands
// land with the media work; the dialog already comes up with its controls.
#include <windows.h>
#include <commctrl.h>

#include "resource.h"

class CMediaDlg {
public:
    explicit CMediaDlg(HINSTANCE instance)
        : m_instance(instance), m_icon(LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP_ICON))) {}
    INT_PTR DoModal() {
        return DialogBoxParamA(m_instance, MAKEINTRESOURCEA(IDD_MEDIA_DIALOG), nullptr, DialogProc,
                               reinterpret_cast<LPARAM>(this));
    }

private:
    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            auto* self = reinterpret_cast<CMediaDlg*>(lParam);
            self->m_hWnd = dialog;
            return self->OnInitDialog();
        }
        if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    BOOL OnInitDialog() {
        SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
        SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
        return TRUE;
    }

    HINSTANCE m_instance;
    HICON m_icon;
    HWND m_hWnd = nullptr;
};

class CMediaApp {
public:
    int InitInstance(HINSTANCE instance) {
        InitCommonControls();
        CMediaDlg dialog(instance);
        dialog.DoModal();
        return 0;
    }
};

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CMediaApp app;
    return app.InitInstance(instance);
}
