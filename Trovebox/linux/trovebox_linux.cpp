// The media manager on Linux: the application, the main dialog's window
// (Qt Widgets) and the ports that draw and manage it.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include "dialog_window_port.h"
#include "media_app.h"
#include "media_dlg.h"
#include "sound_player.h"
#include "trovebox_window.h"

namespace {

// Dialog units of the 8-point shell font: 1.5 pixels across, 1.625 down.
QRect Units(int x, int y, int cx, int cy) { return QRect(x * 3 / 2, y * 13 / 8, cx * 3 / 2, cy * 13 / 8); }

template <typename Widget>
Widget* Place(QWidget* parent, Widget* widget, int id, QRect where) {
    widget->setParent(parent);
    if (id) widget->setObjectName(QString::number(id));
    widget->setGeometry(where);
    return widget;
}

}  // namespace

MediaDlgWindow::MediaDlgWindow(CMediaDlg& dialog) : QDialog(nullptr), m_dialog(dialog) {
    setWindowTitle("Trovebox");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(431 * 3 / 2, 193 * 13 / 8);

    // The controls in tab order.
    auto* soundList = Place(this, new QListWidget, IDC_SOUND_LIST, Units(12, 24, 126, 120));
    auto* pictureList = Place(this, new QListWidget, IDC_PICTURE_LIST, Units(144, 24, 126, 120));
    auto* addPicture = Place(this, new QPushButton("Add Picture"), IDC_ADD_PICTURE, Units(150, 150, 54, 12));
    auto* deletePicture = Place(this, new QPushButton("Delete Picture"), IDC_DELETE_PICTURE, Units(150, 168, 56, 12));
    auto* addSound = Place(this, new QPushButton("Add Sound"), IDC_ADD_SOUND, Units(18, 150, 54, 12));
    auto* deleteSound = Place(this, new QPushButton("Delete Sound"), IDC_DELETE_SOUND, Units(18, 168, 54, 12));
    Place(this, new QLabel("Pictures"), 0, Units(144, 12, 72, 8));
    Place(this, new QLabel("Sounds"), 0, Units(12, 12, 72, 8));
    Place(this, new QLabel("Preview"), 0, Units(288, 12, 72, 8));
    auto* playSound = Place(this, new QPushButton("Play Sound"), IDC_PLAY_SOUND, Units(78, 150, 54, 12));
    // Said once, below the sound buttons, when the first sound finds no
    // audio device.
    auto* noDevice = Place(this, new QLabel("No audio device: sounds are not played"), 0, Units(12, 182, 126, 9));
    noDevice->setObjectName("noAudioDevice");
    noDevice->hide();
    sound::OnNoDevice([note = QPointer<QLabel>(noDevice)] {
        QMetaObject::invokeMethod(qApp, [note] { if (note) note->show(); }, Qt::QueuedConnection);
    });
    for (QListWidget* list : {soundList, pictureList}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setSortingEnabled(true);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    pictureList->installEventFilter(this);

    // The control notifications, as the Windows dialog receives them; the
    // message map of CMediaDlg takes them from here.
    auto route = [this](int id, int code) { return [this, id, code] { m_dialog.OnCommand(id, code); }; };
    connect(addPicture, &QPushButton::clicked, this, route(IDC_ADD_PICTURE, kBnClicked));
    connect(pictureList, &QListWidget::itemSelectionChanged, this, route(IDC_PICTURE_LIST, kLbnSelChange));
    connect(pictureList, &QListWidget::currentRowChanged, this, route(IDC_PICTURE_LIST, kLbnSelChange));
    //  pictureList focus-in (eventFilter)                  ->     IDC_PICTURE_LIST, kLbnSetFocus
    connect(deletePicture, &QPushButton::clicked, this, route(IDC_DELETE_PICTURE, kBnClicked));
    connect(addSound, &QPushButton::clicked, this, route(IDC_ADD_SOUND, kBnClicked));
    connect(deleteSound, &QPushButton::clicked, this, route(IDC_DELETE_SOUND, kBnClicked));
    connect(playSound, &QPushButton::clicked, this, route(IDC_PLAY_SOUND, kBnClicked));
    connect(soundList, &QListWidget::itemDoubleClicked, this, route(IDC_SOUND_LIST, kLbnDblClk));
}

bool MediaDlgWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched == DialogItem(this, IDC_PICTURE_LIST))
        m_dialog.OnCommand(IDC_PICTURE_LIST, kLbnSetFocus);
    return QDialog::eventFilter(watched, event);
}

void MediaDlgWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    painting = true;
    m_dialog.OnPaint();
    painting = false;
}

void MediaDlgWindow::keyPressEvent(QKeyEvent* event) {
    // Enter ends the dialog unless a push button has the focus (which it
    // presses), as the dialog's standard accept command does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        !qobject_cast<QPushButton*>(focusWidget())) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

QWidget* DialogItem(void* window, int id) {
    return static_cast<QWidget*>(window)->findChild<QWidget*>(QString::number(id));
}

// ---- The window port --------------------------------------------------------

namespace {
MediaDlgWindow* Window(DialogHandle dialog) { return static_cast<MediaDlgWindow*>(dialog); }
}

void InitControls() {}

IconHandle LoadAppIcon() {
    static QIcon* icon = new QIcon(":/trovebox.png");  // for the whole run
    return icon;
}

void SetDialogIcon(DialogHandle dialog, int which, IconHandle icon) {
    if (which == kIconBig) Window(dialog)->setWindowIcon(*static_cast<QIcon*>(icon));
}

bool IsDialogIconic(DialogHandle dialog) { return Window(dialog)->isMinimized(); }

PaintContext BeginDialogPaint(DialogHandle dialog) { return GetDialogDC(dialog); }
void EndDialogPaint(DialogHandle dialog) { ReleaseDialogDC(dialog, Window(dialog)->painter); }

// Qt has already painted the dialog's background and children.
void DefaultDialogPaint(DialogHandle) {}

void EraseIconBackground(DialogHandle, PaintContext) {}

void GetClientSize(DialogHandle dialog, int& width, int& height) {
    width = Window(dialog)->width();
    height = Window(dialog)->height();
}

int SystemMetric(int index) { return index == kSmCxIcon || index == kSmCyIcon ? 32 : 0; }

void DrawIconAt(PaintContext dc, int x, int y, IconHandle icon) {
    if (dc) static_cast<QPainter*>(dc)->drawPixmap(x, y, static_cast<QIcon*>(icon)->pixmap(32, 32));
}

// A painter on the dialog exists only while Qt paints it: the preview is
// drawn from the paint event, where this is called.
PaintContext GetDialogDC(DialogHandle dialog) {
    MediaDlgWindow* window = Window(dialog);
    if (!window->painting) return nullptr;
    if (!window->painter) window->painter = new QPainter(window);
    return window->painter;
}

void ReleaseDialogDC(DialogHandle dialog, PaintContext) {
    delete Window(dialog)->painter;
    Window(dialog)->painter = nullptr;
}

void InvalidateDialogRect(DialogHandle dialog, int left, int top, int right, int bottom, bool) {
    // Qt erases what it repaints, always.
    Window(dialog)->update(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)));
}

intptr_t RunMediaDialog(CMediaDlg& dialog) {
    MediaDlgWindow window(dialog);
    dialog.OnInitDialog(&window);
    if (QWidget* first = DialogItem(&window, IDC_SOUND_LIST)) first->setFocus();
    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        window.move(screen->availableGeometry().center() - window.rect().center());
    return window.exec();
}

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CMediaApp app;
    return app.InitInstance();
}
