// Linux adapter of the dialog port: the options dialog (templates 103 and
// 106) and the unlock hint (105) built in Qt with the same items, texts,
// tab order and places (dialog units converted with the dialog font's own
// base units, as Windows does). Items are found by their id.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <cstring>
#include <map>

#include "desktop_texts_linux.h"
#include "dialog_port.h"
#include "drive_doors_linux.h"
#include "lock_session.h"
#include "resource_ids.h"
#include "wayland_screen.h"

// Windows made from templates, by handle.
static std::map<HWND, QWidget*> templateWindows;

static HWND Register(QWidget* widget) {
    widget->setAttribute(Qt::WA_NativeWindow);
    HWND handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(widget->winId()));
    templateWindows[handle] = widget;
    QObject::connect(widget, &QObject::destroyed, [handle] { templateWindows.erase(handle); });
    return handle;
}

template <class T>
static T* Item(HWND dialog, int id) {
    auto it = templateWindows.find(dialog);
    if (it == templateWindows.end()) return nullptr;
    return it->second->findChild<T*>(QString("item%1").arg(id));
}

// Dialog units to pixels for a font: horizontal units are a quarter of the
// average character width, vertical ones an eighth of the character height.
struct DialogUnits {
    explicit DialogUnits(const QFont& font) {
        QFontMetrics fm(font);
        baseX = (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
        baseY = fm.height();
    }
    QRect operator()(int x, int y, int w, int h) const {
        return QRect(x * baseX / 4, y * baseY / 8, w * baseX / 4, h * baseY / 8);
    }
    int baseX, baseY;
};

static QFont DialogFont() {
    QFont font = QApplication::font();
    font.setPointSize(8);
    return font;
}

class TemplateDialog : public QDialog {
public:
    TemplateDialog(DialogProcedure procedure, QWidget* owner) : QDialog(owner), procedure_(procedure) {}
    HWND handle = nullptr;

    // Esc and the close box send the cancel id, which is "OK"'s own.
    void reject() override { procedure_(handle, WM_COMMAND, kItemOk, 0); }

private:
    DialogProcedure procedure_;
};

static void BuildOptions(TemplateDialog* d, bool older) {
    d->setWindowTitle("Bumblepad Options");
    d->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    d->setFont(DialogFont());
    DialogUnits du(d->font());
    d->setFixedSize(du(0, 0, 278, 185).size());

    // Created in tab order; Qt's focus chain follows creation.
    auto* group = new QGroupBox("Attempt to lock drives:", d);
    group->setGeometry(du(7, 10, 84, 164));
    for (int i = 0; i < 26; ++i) {
        auto* box = new QCheckBox(QString(QChar('A' + i)), d);
        box->setObjectName(QString("item%1").arg(kItemFirstDrive + i));
        box->setGeometry(du(i < 13 ? 18 : 54, 18 + 12 * (i % 13), 20, 10));
        // Which of this machine's drives the letter stands for (D: is the
        // first optical drive); letters without a lockable drive show nothing.
        char device[64];
        if (DriveDevicePath(i, device, sizeof device)) {
            QString path = QString::fromLocal8Bit(device);
            auto* name = new QLabel(path.section('/', -1), d);
            name->setObjectName(QString("device%1").arg(kItemFirstDrive + i));
            name->setToolTip(path);
            name->setEnabled(false);  // drawn grey: information, not a control
            name->setGeometry(du(i < 13 ? 37 : 73, 18 + 12 * (i % 13), 16, 10));
        }
    }
    auto check = [d, &du](int id, const char* text, QRect r, bool shown) {
        auto* box = new QCheckBox(text, d);
        box->setObjectName(QString("item%1").arg(id));
        box->setGeometry(r);
        if (!shown) {
            box->setVisible(false);
            box->setEnabled(false);
        }
        return box;
    };
    auto label = [d](const char* text, QRect r) { (new QLabel(text, d))->setGeometry(r); };
    check(kItemShowHint, "Display message stating how to unlock keyboard", du(96, 12, 171, 10), true);
    check(kItemNoAutoRepeat, "Disable keyboard autorepeat for Bumblepad", du(96, 30, 163, 10), true);
    label("Automatically lock keyboard/mouse if inactive for", du(96, 66, 156, 12));
    auto* minutes = new QLineEdit(d);
    minutes->setObjectName(QString("item%1").arg(kItemIdleMinutes));
    minutes->setGeometry(du(96, 78, 20, 12));
    minutes->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), minutes));
    auto* ok = new QPushButton("OK", d);
    ok->setObjectName(QString("item%1").arg(kItemOk));
    ok->setGeometry(du(164, 161, 48, 14));
    ok->setAutoDefault(false);  // Enter closes nothing
    ok->setDefault(false);
    QObject::connect(ok, &QPushButton::clicked, d, [d] { d->reject(); });
    label("minutes.   (set to 0 to never automatically lock)", du(119, 80, 154, 8));
    if (const char* why = IdleUnknownText()) {
        // The setting is kept for other sessions, but said to do nothing here.
        auto* note = new QLabel("The automatic lock is not available on this desktop: it tells programs no idle time.", d);
        note->setObjectName("idleUnavailable");
        note->setWordWrap(true);
        note->setToolTip(why);
        note->setGeometry(du(96, 112, 178, 20));
        minutes->setToolTip(why);
    }
    check(kItemCtrlAltDel, "Disable ctrl-alt-del while keyboard is locked",
          older ? du(96, 96, 152, 10) : du(95, 148, 152, 10), false);
    check(kItemShowPictures, "Show pictures and sounds while keyboard is locked", du(96, 48, 178, 10), !older);
    if (!older) {
        auto* word = new QLineEdit(d);
        word->setObjectName(QString("item%1").arg(kItemUnlockWord));
        word->setGeometry(du(120, 96, 60, 10));
        // The stored word is single-byte Latin-1: other characters cannot be entered.
        word->setValidator(new QRegularExpressionValidator(QRegularExpression("[\\x{20}-\\x{7E}\\x{A0}-\\x{FF}]*"), word));
        label("Type", du(96, 96, 17, 8));
        label("to exit", du(186, 96, 22, 8));
    }
}

intptr_t RunModalDialog(void*, int templateId, HWND, DialogProcedure procedure) {
    if (templateId != kDialogOptions && templateId != kDialogOptionsOld) return -1;
    TemplateDialog dialog(procedure, nullptr);
    BuildOptions(&dialog, templateId == kDialogOptionsOld);
    dialog.handle = Register(&dialog);
    procedure(dialog.handle, WM_INITDIALOG, 0, 0);
    // Centred on the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->geometry().center() - dialog.rect().center());
    return dialog.exec();
}

HWND CreateModelessDialog(void*, int templateId, HWND) {
    if (templateId != kDialogUnlockHint) return nullptr;
    // A small box with a thin border and no caption, top-most, at the
    // screen's top-left corner, shown at once.
    auto* hint = new QFrame(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                                         Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus);
    hint->setWindowTitle("Bumblepad");
    hint->setFrameStyle(QFrame::Box | QFrame::Plain);
    hint->setLineWidth(1);
    hint->setFont(DialogFont());
    DialogUnits du(hint->font());
    QRect box = du(0, 0, 167, 19);
    hint->setGeometry(box);
    auto* text = new QPlainTextEdit(hint);
    text->setObjectName(QString("item%1").arg(kItemHintText));
    text->setReadOnly(true);
    text->setFrameStyle(QFrame::NoFrame);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    text->setGeometry(box.adjusted(1, 1, -1, -1));
    HWND handle = Register(hint);
    if (LockScreenOnWayland()) {
        // Drawn onto the lock surfaces once the logic has put its text in.
        QTimer::singleShot(0, hint, [hint] { ShowHintOnLockScreen(hint); });
        return handle;
    }
    hint->show();
    hint->raise();
    return handle;
}

void EndDialogBox(HWND dialog, intptr_t result) {
    auto it = templateWindows.find(dialog);
    if (it == templateWindows.end()) return;
    if (auto* d = qobject_cast<QDialog*>(it->second)) d->done(static_cast<int>(result));
}

void CheckDialogButton(HWND dialog, int id, bool checked) {
    if (auto* b = Item<QAbstractButton>(dialog, id)) b->setChecked(checked);
}

bool IsDialogButtonChecked(HWND dialog, int id) {
    auto* b = Item<QAbstractButton>(dialog, id);
    return b && b->isChecked();
}

void SetDialogItemUInt(HWND dialog, int id, uint32_t value) {
    if (auto* e = Item<QLineEdit>(dialog, id)) e->setText(QString::number(value));
}

uint32_t GetDialogItemUInt(HWND dialog, int id) {
    auto* e = Item<QLineEdit>(dialog, id);
    if (!e) return 0;
    QString text = e->text().trimmed();
    if (text.isEmpty()) return 0;
    uint64_t value = 0;
    for (QChar c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + static_cast<uint64_t>(c.unicode() - '0');
        if (value > 0xFFFFFFFFull) return 0;  // too large for 32 bits
    }
    return static_cast<uint32_t>(value);
}

// The box grows to the text in its font, so both lines of the hint show
// whole whatever font Qt picks.
static void FitHintBox(QPlainTextEdit* text) {
    QWidget* box = text->window();
    const QFontMetrics fm(text->font());
    int width = 0;
    const QStringList lines = text->toPlainText().split('\n');
    for (const QString& line : lines) width = std::max(width, fm.horizontalAdvance(line));
    const int margin = static_cast<int>(std::ceil(text->document()->documentMargin()));
    const int frame = box->width() - text->width();
    const QSize needed(width + 2 * margin + frame + fm.averageCharWidth(),
                       static_cast<int>(lines.size()) * fm.lineSpacing() + 2 * margin + frame);
    box->resize(box->size().expandedTo(needed));
    text->setGeometry(box->rect().adjusted(frame / 2, frame / 2, -(frame - frame / 2), -(frame - frame / 2)));
}

// Texts are single-byte Latin-1, as the stored word is.
void SetDialogItemText(HWND dialog, int id, const char* text) {
    QString s = QString::fromLatin1(text);
    if (auto* e = Item<QLineEdit>(dialog, id)) {
        e->setText(s);
    } else if (auto* p = Item<QPlainTextEdit>(dialog, id)) {
        p->setPlainText(s.replace("\r\n", "\n"));
        FitHintBox(p);
    }
}

bool GetDialogItemText(HWND dialog, int id, char* buffer, int size) {
    auto* e = Item<QLineEdit>(dialog, id);
    if (!e || size <= 0) return false;
    QByteArray bytes = e->text().toLatin1();  // the field takes nothing else
    int n = std::min<int>(static_cast<int>(bytes.size()), size - 1);
    std::memcpy(buffer, bytes.constData(), static_cast<size_t>(n));
    buffer[n] = '\0';
    return true;
}
