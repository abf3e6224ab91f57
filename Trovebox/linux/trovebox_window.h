// The Qt windows that host the media manager's dialogs. They stay thin: the
// main window forwards its events to CMediaDlg, the ports reach their
// controls by control id (the widgets' object names).
#pragma once
#include <QDialog>
#include <QIcon>

class CMediaDlg;
class QListWidget;
class QPainter;

class MediaDlgWindow : public QDialog {
public:
    explicit MediaDlgWindow(CMediaDlg& dialog);

    // The painter of the paint cycle (BeginPaint/GetDC), null outside it.
    QPainter* painter = nullptr;
    bool painting = false;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CMediaDlg& m_dialog;
};

// The control with this id (its object name) in window, or null.
QWidget* DialogItem(void* window, int id);
