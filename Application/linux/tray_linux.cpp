// Linux adapters of the tray icon and menu port: a QSystemTrayIcon (XEmbed
// under X11) whose right click and double click arrive at the window
// procedure as the Windows tray callbacks would, and QMenus built from the
// same item tables as the Windows menu resources.
#include <xcb/xcb.h>

#include <QAction>
#include <QGuiApplication>
#include <QTimer>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include "Hookwell.h"
#include "desktop_texts_linux.h"
#include "lock_hold_port.h"
#include "lock_session.h"
#include "lock_state.h"
#include "resource_ids.h"
#include "tray_port.h"
#include "tray_wayland.h"
#include "watchdog_linux.h"
#include "window_port.h"

static QSystemTrayIcon* trayIcon = nullptr;
static bool toldNoTray = false;

static const char kNoTrayText[] =
    "Bumblepad found no notification area, so it shows no tray icon.\n"
    "It keeps running: the automatic lock still works, but the tray menu and the double click cannot be reached.\n"
    "The application menu's entry for Bumblepad offers the menu's commands instead, and so do the commands "
    "bumblepad --lock, --lock-keyboard, --options, --media and --exit. To lock with one key, bind the command "
    "bumblepad --lock to a shortcut in the desktop's keyboard settings.";

// No tray host: the parent is told once, without holding up the program.
static void TellNoTray() {
    if (toldNoTray) return;
    toldNoTray = true;
    auto* box = new QMessageBox(QMessageBox::Information, "Bumblepad", kNoTrayText, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void NotifyTrayIcon(uint32_t action, const TrayIconRecord& record) {
    if (action == kNimDelete) {
        if (trayIcon) trayIcon->hide();
        return;
    }
    if (!trayIcon) {
        trayIcon = new QSystemTrayIcon(QIcon(":/bumblepad.png"));
        HWND window = record.window;
        uint32_t callback = record.callbackMessage;
        WParam id = record.id;
        // Handed over as posted messages, so that the menu opens after the
        // click that asked for it has been handled.
        QObject::connect(trayIcon, &QSystemTrayIcon::activated, [window, callback, id](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Context) {
                PostWindowMessage(window, callback, id, WM_RBUTTONUP);
            } else if (reason == QSystemTrayIcon::DoubleClick ||
                       (reason == QSystemTrayIcon::Trigger && TrayIsStatusNotifierItem())) {
                TellKeptKeysOnce();
                PostWindowMessage(window, callback, id, WM_LBUTTONDBLCLK);
            }
        });
    }
    trayIcon->setToolTip(QString::fromLocal8Bit(record.tip));
    if (!QSystemTrayIcon::isSystemTrayAvailable()) TellNoTray();
    trayIcon->show();  // Qt puts it up by itself once a tray host appears
}

MenuHandle LoadPopupMenu(void*, int menuId) {
    auto* menu = new QMenu();
    menu->setToolTipsVisible(true);
    menu->setObjectName(QString("menu%1").arg(menuId));
    auto add = [menu](const auto& entries) {
        for (const MenuEntry& e : entries) {
            if (e.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromLatin1(e.text));
            action->setData(e.id);
            action->setObjectName(QString("item%1").arg(e.id));
            if (e.id == kCmdLockKeyboard || e.id == kCmdLockKeyboardOld) MarkKeyboardOnlyItem(action);
        }
    };
    if (menuId == kMenuTrayFull) add(kTrayMenuFullEntries);
    else if (menuId == kMenuTrayOld) add(kTrayMenuOldEntries);
    else {
        delete menu;
        return nullptr;
    }
    return menu;
}

static QAction* FindItem(QMenu* menu, uint32_t id) {
    for (QAction* a : menu->actions())
        if (!a->isSeparator() && a->data().toUInt() == id) return a;
    return nullptr;
}

void CheckMenuEntry(MenuHandle menu, uint32_t id, uint32_t flags) {
    QAction* action = FindItem(static_cast<QMenu*>(menu), id);
    if (!action) return;
    // Only a checked item is checkable, so an unchecked one shows no box, as
    // on Windows.
    bool checked = (flags & kMfChecked) != 0;
    action->setCheckable(checked);
    action->setChecked(checked);
}

uint32_t TrackMenuAtCursor(HWND, MenuHandle handle, uint32_t flags) {
    auto* menu = static_cast<QMenu*>(handle);
    QPoint at = QCursor::pos();
    if (flags & 0x8) at.rx() -= menu->sizeHint().width();  // TPM_RIGHTALIGN: right edge at the cursor
    // Qt flips a checkable item when it is chosen; the check marks are the
    // controller's to set, so they are put back first.
    QList<QPair<QAction*, bool>> marks;
    for (QAction* a : menu->actions()) marks.append({a, a->isChecked()});
    // During a keyboard-only lock the hook library holds the keyboard, so Qt
    // cannot take the popup's grabs and an outside click would never close
    // the menu. The pointer is free then: grab it for the menu once it is
    // mapped, and the outside click arrives at the menu, which closes.
    QTimer pointerGrab;
    bool grabbed = false;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (connection && KeyboardHookHolds()) {
        int tries = 0;
        QObject::connect(&pointerGrab, &QTimer::timeout, [&] {
            if (++tries > 100) pointerGrab.stop();
            if (!menu->isVisible()) return;
            auto window = static_cast<xcb_window_t>(menu->winId());
            uint16_t events = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;
            xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(
                connection,
                xcb_grab_pointer(connection, 1, window, events, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                                 XCB_NONE, XCB_CURRENT_TIME),
                nullptr);
            grabbed = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
            free(reply);
            if (grabbed) pointerGrab.stop();
        });
        pointerGrab.start(20);
    }
    QAction* chosen = menu->exec(at);
    pointerGrab.stop();
    if (grabbed) {
        xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
        xcb_flush(connection);
    }
    for (const auto& m : marks) m.first->setChecked(m.second);
    if (chosen && chosen->data().toUInt() == kCmdLockKeyboardMouse) TellKeptKeysOnce();
    return chosen ? chosen->data().toUInt() : 0;
}

// The keyboard-only lock cannot hold on Wayland (its item is disabled there;
// should it be asked for all the same, it is refused).
static bool keyboardOnlyRefused = false;

bool LockHookHolds() {
    keyboardOnlyRefused = keyboardOnly && KeyboardOnlyRefusalText();
    bool holds = !keyboardOnlyRefused && KeyboardHookHolds();
    if (holds) Heartbeat(true);  // the watchdog guards the lock from its first moment
    return holds;
}

const char* LockRefusalText() {
    const char* reason = keyboardOnlyRefused ? KeyboardOnlyRefusalText() : HookRefusalText();
    return reason ? reason : kLockFailedText;
}
