// The open-file dialog, the "Import progress" window and message boxes in
// Qt Widgets.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>

#include <cstdio>
#include <cstring>

#include "file_chooser_port.h"
#include "import_window_port.h"
#include "message_box_port.h"
#include "resource.h"
#include "trovebox_window.h"

namespace {

// "Name|pattern;pattern" pairs (NUL-separated) as Qt name filters
// "Name (pattern pattern)". "*.*" matches every name, as on Windows.
QStringList NameFilters(const char* filter) {
    QStringList filters;
    while (*filter) {
        QString name = QString::fromLocal8Bit(filter);
        filter += std::strlen(filter) + 1;
        QString patterns = QString::fromLocal8Bit(filter);
        filter += std::strlen(filter) + 1;
        QStringList parts = patterns.split(';', Qt::SkipEmptyParts);
        for (QString& part : parts)
            if (part == "*.*") part = "*";
        filters << name + " (" + parts.join(' ') + ")";
    }
    return filters;
}

void ShowNow(QWidget* widget) {
    widget->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

bool RunOpenFileDialog(DialogHandle owner, const char* filter, char* buffer, uint32_t capacity, uint32_t) {
    QFileDialog dialog(static_cast<QWidget*>(owner));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setNameFilters(NameFilters(filter));
    // The initial name: the folder of the last selection, or the last file.
    QFileInfo initial(QString::fromLocal8Bit(buffer));
    if (buffer[0] && initial.isDir()) {
        dialog.setDirectory(initial.absoluteFilePath());
    } else if (buffer[0]) {
        dialog.setDirectory(initial.absolutePath());
        dialog.selectFile(initial.fileName());
    } else {
        dialog.setDirectory(QDir::currentPath());
    }
    if (dialog.exec() != QDialog::Accepted) return false;
    QStringList files = dialog.selectedFiles();
    // Names typed in quotes ("a.jpg" "b.jpg") all count, also those the
    // current filter hides (Qt then reports only the ones it shows).
    if (auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit"); edit && edit->text().contains('"')) {
        QStringList typed;
        const QStringList tokens = edit->text().split('"');
        for (int i = 1; i < tokens.size(); i += 2) {
            QFileInfo file(dialog.directory(), tokens[i]);
            if (!tokens[i].isEmpty() && file.exists()) typed << file.absoluteFilePath();
        }
        if (!typed.isEmpty()) files = typed;
    }
    if (files.isEmpty()) return false;

    // As the Windows dialog leaves it: one full path, or the folder and then
    // each name, NUL-terminated, with one more NUL at the end.
    QByteArray result;
    if (files.size() == 1) {
        result = files[0].toLocal8Bit();
        result.append('\0');
    } else {
        result = QFileInfo(files[0]).absolutePath().toLocal8Bit();
        result.append('\0');
        for (const QString& file : files) {
            result += QFileInfo(file).fileName().toLocal8Bit();
            result.append('\0');
        }
    }
    result.append('\0');
    if (static_cast<uint32_t>(result.size()) > capacity) return false;
    std::memset(buffer, 0, capacity);
    std::memcpy(buffer, result.constData(), static_cast<size_t>(result.size()));
    return true;
}

// ---- Import progress -------------------------------------------------------

DialogHandle CreateImportWindow(DialogHandle owner) {
    auto* window = new QDialog(static_cast<QWidget*>(owner));
    window->setWindowTitle("Import progress");
    window->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window->setFixedSize(187 * 3 / 2, 90 * 13 / 8);
    auto* label = new QLabel("Importing File:", window);
    label->setGeometry(19 * 3 / 2, 15 * 13 / 8, 74 * 3 / 2, 8 * 13 / 8);
    auto* file = new QLabel("File Name here", window);
    file->setObjectName(QString::number(IDC_IMPORT_FILE));
    file->setGeometry(17 * 3 / 2, 26 * 13 / 8, 152 * 3 / 2, 26 * 13 / 8);
    file->setWordWrap(true);
    file->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* bar = new QProgressBar(window);
    bar->setObjectName(QString::number(IDC_IMPORT_PROGRESS));
    bar->setGeometry(17 * 3 / 2, 57 * 13 / 8, 151 * 3 / 2, 17 * 13 / 8);
    bar->setTextVisible(false);
    bar->setRange(0, 100);
    bar->setValue(0);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window->move(screen->availableGeometry().center() - window->rect().center());
    window->show();
    ShowNow(window);
    return window;
}

void SetImportItemText(DialogHandle window, int id, const std::string& text) {
    if (auto* label = qobject_cast<QLabel*>(DialogItem(window, id))) {
        label->setText(QString::fromLocal8Bit(text.c_str()));
        ShowNow(label);
    }
}

void SendImportItemMessage(DialogHandle window, int id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    auto* bar = qobject_cast<QProgressBar*>(DialogItem(window, id));
    if (!bar) return;
    if (message == kPbmSetRange32) {
        bar->setRange(static_cast<int>(wParam), static_cast<int>(lParam));
        bar->setValue(bar->minimum());
    } else if (message == kPbmStepIt) {
        // The control's default step of 10; past the end it starts over.
        int next = bar->value() + 10;
        bar->setValue(next > bar->maximum() ? bar->minimum() + (next - bar->maximum()) : next);
    }
    ShowNow(bar);
}

void DestroyImportWindow(DialogHandle window) { delete static_cast<QDialog*>(window); }

// ---- Message boxes ---------------------------------------------------------

void ShowMessageBox(DialogHandle owner, const std::string& text, const std::string& caption, uint32_t flags) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (flags & 0xF0) {
    case 0x10: icon = QMessageBox::Critical; break;
    case 0x20: icon = QMessageBox::Question; break;
    case 0x30: icon = QMessageBox::Warning; break;
    case 0x40: icon = QMessageBox::Information; break;
    }
    QMessageBox box(icon, QString::fromLocal8Bit(caption.c_str()), QString::fromLocal8Bit(text.c_str()),
                    QMessageBox::Ok, static_cast<QWidget*>(owner));
    // Also in the log (standard error): what was refused stays on record
    // after the box is closed.
    std::fprintf(stderr, "%s: %s%s", caption.c_str(), text.c_str(), text.empty() || text.back() != '\n' ? "\n" : "");
    box.exec();
}
