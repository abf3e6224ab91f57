#include "import_dlg.h"

bool CImportDlg::Create(DialogHandle parent) {
    m_hWnd = CreateImportWindow(parent);
    if (!m_hWnd) return false;
    m_progress.Attach(m_hWnd, IDC_IMPORT_PROGRESS);
    UpdateData(false);
    return true;
}

void CImportDlg::UpdateData(bool saveAndValidate) {
    if (!saveAndValidate && m_hWnd) SetImportItemText(m_hWnd, IDC_IMPORT_FILE, m_fileName);
}

void CImportDlg::DestroyWindow() {
    if (!m_hWnd) return;
    DestroyImportWindow(m_hWnd);
    m_hWnd = nullptr;
}
