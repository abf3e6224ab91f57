// The list-box port over QListWidget: sorted case-insensitively, extended
// selection, and a current item that need not be selected.
#include <QListWidget>

#include <algorithm>
#include <vector>

#include "list_box_port.h"
#include "trovebox_window.h"

namespace {

// Sorts by text without regard to case, as the Windows list box does.
class CaseFoldedItem : public QListWidgetItem {
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override {
        return text().compare(other.text(), Qt::CaseInsensitive) < 0;
    }
};

QListWidget* List(DialogHandle dialog, int id) { return qobject_cast<QListWidget*>(DialogItem(dialog, id)); }

std::vector<int> SelectedRows(QListWidget* list) {
    std::vector<int> rows;
    for (QListWidgetItem* item : list->selectedItems()) rows.push_back(list->row(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

}  // namespace

int ListAddString(DialogHandle dialog, int id, const std::string& text) {
    QListWidget* list = List(dialog, id);
    if (!list) return -1;
    // The name as the locale shows it; the file's own bytes kept with it, as a
    // name that is not valid in the locale's encoding would not survive the
    // way back.
    auto* item = new CaseFoldedItem(QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
    item->setData(Qt::UserRole, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    list->addItem(item);
    return list->row(item);
}

int ListGetSelCount(DialogHandle dialog, int id) {
    QListWidget* list = List(dialog, id);
    return list ? static_cast<int>(list->selectedItems().size()) : 0;
}

int ListGetCurSel(DialogHandle dialog, int id) {
    QListWidget* list = List(dialog, id);
    return list ? list->currentRow() : -1;
}

std::string ListGetText(DialogHandle dialog, int id, int index) {
    QListWidget* list = List(dialog, id);
    QListWidgetItem* item = list ? list->item(index) : nullptr;
    return item ? item->data(Qt::UserRole).toByteArray().toStdString() : std::string();
}

int ListGetSelItems(DialogHandle dialog, int id, int maxItems, int* items) {
    QListWidget* list = List(dialog, id);
    if (!list) return 0;
    int written = 0;
    for (int row : SelectedRows(list)) {
        if (written == maxItems) break;
        items[written++] = row;
    }
    return written;
}

void ListDeleteString(DialogHandle dialog, int id, int index) {
    if (QListWidget* list = List(dialog, id)) delete list->takeItem(index);
}
