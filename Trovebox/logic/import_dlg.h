// The modeless "Import progress" dialog (resource 129): the file at hand and
// a progress bar. It has no event handlers of its own.
#pragma once
#include <cstdint>
#include <string>

#include "handles.h"
#include "import_window_port.h"
#include "resource.h"

class CProgressCtrl {
public:
    void Attach(DialogHandle dialog, int id) { m_dialog = dialog; m_id = id; }
    void SetRange32(int low, int high) {
        SendImportItemMessage(m_dialog, m_id, kPbmSetRange32, static_cast<uintptr_t>(low), high);
    }
    void StepIt() { SendImportItemMessage(m_dialog, m_id, kPbmStepIt, 0, 0); }

private:
    DialogHandle m_dialog = nullptr;
    int m_id = 0;
};

class CImportDlg {
public:
    ~CImportDlg() { DestroyWindow(); }

    // Creates the dialog owned by parent; it shows at once and its fields
    // are pushed to its controls. False when it could not be created.
    bool Create(DialogHandle parent);
    // Pushes m_fileName to control 1009 (saveAndValidate false), or does
    // nothing (true: nothing is read back from the dialog).
    void UpdateData(bool saveAndValidate);
    void DestroyWindow();

    std::string m_fileName;
    CProgressCtrl m_progress;

private:
    DialogHandle m_hWnd = nullptr;
};
