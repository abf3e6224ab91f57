// One list box of a dialog, reached through the list-box port.
#pragma once
#include <string>

#include "handles.h"
#include "list_box_port.h"

class CListBox {
public:
    void Attach(DialogHandle dialog, int id) { m_dialog = dialog; m_id = id; }
    int GetDlgCtrlID() const { return m_id; }

    int AddString(const std::string& text) { return ListAddString(m_dialog, m_id, text); }
    int GetSelCount() const { return ListGetSelCount(m_dialog, m_id); }
    int GetCurSel() const { return ListGetCurSel(m_dialog, m_id); }
    std::string GetText(int index) const { return ListGetText(m_dialog, m_id, index); }
    int GetSelItems(int maxItems, int* items) const {
        return ListGetSelItems(m_dialog, m_id, maxItems, items);
    }
    void DeleteString(int index) { ListDeleteString(m_dialog, m_id, index); }

private:
    DialogHandle m_dialog = nullptr;
    int m_id = 0;
};
