#include "media_app.h"

#include "dialog_window_port.h"
#include "media_dlg.h"

int CMediaApp::InitInstance() {
    InitControls();
    CMediaDlg dialog;
    RunMediaDialog(dialog);
    return 0;
}
