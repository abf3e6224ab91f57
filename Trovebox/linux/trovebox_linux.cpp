// The media manager's application and main dialog on Linux. The commands
// land with the media work; the dialog already comes up with its controls.
#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

class CMediaDlg : public QDialog {
public:
    CMediaDlg() {
        setWindowTitle("Trovebox");
        setWindowIcon(QIcon(":/trovebox.png"));
        // Dialog units of the 8-point shell font: about 1.5 px across, 1.625 px down.
        auto place = [](QWidget* w, int x, int y, int cx, int cy) {
            w->setGeometry(x * 3 / 2, y * 13 / 8, cx * 3 / 2, cy * 13 / 8);
        };
        resize(431 * 3 / 2 + 220, 193 * 13 / 8);
        m_soundList = new QListWidget(this);
        place(m_soundList, 12, 24, 126, 120);
        m_pictureList = new QListWidget(this);
        place(m_pictureList, 144, 24, 126, 120);
        for (QListWidget* list : {m_soundList, m_pictureList}) {
            list->setSelectionMode(QAbstractItemView::ExtendedSelection);
            list->setSortingEnabled(true);
        }
        place(new QPushButton("Add Picture", this), 150, 150, 54, 12);
        place(new QPushButton("Delete Picture", this), 150, 168, 56, 12);
        place(new QPushButton("Add Sound", this), 18, 150, 54, 12);
        place(new QPushButton("Delete Sound", this), 18, 168, 54, 12);
        place(new QLabel("Pictures", this), 144, 12, 72, 8);
        place(new QLabel("Sounds", this), 12, 12, 72, 8);
        place(new QLabel("Preview", this), 288, 12, 72, 8);
        place(new QPushButton("Play Sound", this), 78, 150, 54, 12);
    }

private:
    QListWidget* m_soundList;
    QListWidget* m_pictureList;
};

class CMediaApp {
public:
    int InitInstance() {
        CMediaDlg dialog;
        dialog.exec();
        return 0;
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CMediaApp mediaApp;
    return mediaApp.InitInstance();
}
