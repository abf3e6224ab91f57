#include "window_linux.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "controller.h"
#include "session_linux.h"
#include "sleep_linux.h"
#include "update_rect_port.h"
#include "wayland_screen.h"
#include "window_port.h"

static ControllerWindow* controllerWindow = nullptr;

ControllerWindow* TheControllerWindow() { return controllerWindow; }

static xcb_connection_t* Connection() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Override-redirect: the window manager neither places nor decorates the
// lock screen, so it can cover every monitor and stay above the panels.
ControllerWindow::ControllerWindow()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint) {
    setWindowTitle(kAppName);
    setAttribute(Qt::WA_NativeWindow);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    handle_ = reinterpret_cast<HWND>(static_cast<uintptr_t>(winId()));
    if (xcb_connection_t* c = Connection()) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, sizeof HOOKWELL_REPORT_ATOM - 1, HOOKWELL_REPORT_ATOM), nullptr);
        if (reply) {
            reportAtom_ = reply->atom;
            free(reply);
        }
    }
    qApp->installNativeEventFilter(this);
}

void ControllerWindow::StartTimer(uintptr_t id, uint32_t periodMs) {
    QTimer*& timer = timers_[id];
    if (!timer) {
        timer = new QTimer(this);
        QObject::connect(timer, &QTimer::timeout, this, [this, id] { MainWindowProc(handle_, WM_TIMER, id, 0); });
    }
    timer->start(static_cast<int>(periodMs));
}

void ControllerWindow::StopTimer(uintptr_t id) {
    auto it = timers_.find(id);
    if (it != timers_.end()) it->second->stop();
}

void ControllerWindow::Post(uint32_t message, WParam wParam, LParam lParam) {
    QMetaObject::invokeMethod(
        this, [this, message, wParam, lParam] { MainWindowProc(handle_, message, wParam, lParam); },
        Qt::QueuedConnection);
}

bool ControllerWindow::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || reportAtom_ == 0) return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) return false;
    auto* client = reinterpret_cast<xcb_client_message_event_t*>(event);
    if (client->type != reportAtom_ || client->format != 32) return false;
    MainWindowProc(handle_, client->data.data32[0], client->data.data32[1],
                   static_cast<LParam>(static_cast<int32_t>(client->data.data32[2])));
    return true;
}

void ControllerWindow::closeEvent(QCloseEvent* event) {
    event->ignore();  // the window is never destroyed; the close path decides
    MainWindowProc(handle_, WM_CLOSE, 0, 0);
}

void ControllerWindow::paintEvent(QPaintEvent* event) {
    // The black background, then the lock screen's canvas over the region
    // that needs it (WM_PAINT with its update rectangle).
    {
        QPainter(this).fillRect(event->rect(), Qt::black);
    }
    updateArea_ = event->rect();
    MainWindowProc(handle_, WM_PAINT, 0, 0);
    updateArea_ = QRect();
}

void ControllerWindow::ShowLockScreen() {
    QRect all;
    for (QScreen* screen : QGuiApplication::screens()) all |= screen->geometry();
    setGeometry(all);
    show();
    raise();
    if (!keepOnTop_) {
        keepOnTop_ = new QTimer(this);
        QObject::connect(keepOnTop_, &QTimer::timeout, this, [this] { raise(); });
    }
    keepOnTop_->start(500);
}

void ControllerWindow::HideLockScreen() {
    if (keepOnTop_) keepOnTop_->stop();
    hide();
}

bool GetWindowUpdateRect(HWND, UpdateRect& rect) {
    if (!controllerWindow) return false;
    QRect r = controllerWindow->UpdateArea();
    if (r.isEmpty()) return false;
    rect = {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
    return true;
}

HWND CreateMainWindow(void*) {
    controllerWindow = new ControllerWindow();
    HWND handle = controllerWindow->Handle();
    if (!handle) return nullptr;
    ConnectToSession(controllerWindow);
    MainWindowProc(handle, WM_CREATE, 0, 0);
    WatchSleepSignals(controllerWindow);
    WatchSessionEnd(controllerWindow);
    return handle;
}

void StartWindowTimer(HWND, uintptr_t id, uint32_t periodMs) { controllerWindow->StartTimer(id, periodMs); }
void StopWindowTimer(HWND, uintptr_t id) { controllerWindow->StopTimer(id); }

int RunMessageLoop() {
    SetMessageLoopRunning(true);
    int code = QApplication::exec();
    SetMessageLoopRunning(false);
    return code;
}

void PostQuit(int code) {
    QMetaObject::invokeMethod(qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

uint32_t RegisterNamedMessage(const char* name) {
    // Windows hands out registered message numbers from 0xC000 up.
    static uint32_t next = 0xC000;
    static std::map<std::string, uint32_t> registered;
    auto [it, added] = registered.emplace(name, next);
    if (added) ++next;
    return it->second;
}

LResult DefaultWindowProc(HWND, uint32_t, WParam, LParam) { return 0; }

void PostWindowMessage(HWND, uint32_t message, WParam wParam, LParam lParam) {
    controllerWindow->Post(message, wParam, lParam);
}

void ShowMainWindow(HWND, int command) {
    if (LockScreenOnWayland()) return ShowWaylandLockScreen(controllerWindow, command != kSwHide);
    if (command == kSwHide) controllerWindow->HideLockScreen();
    else controllerWindow->ShowLockScreen();
}

bool IsMainWindowVisible(HWND) {
    if (LockScreenOnWayland()) return WaylandLockScreenShown();
    return controllerWindow && controllerWindow->isVisible();
}

void DestroyOwnedWindow(HWND window) {
    if (QWidget* widget = QWidget::find(static_cast<WId>(reinterpret_cast<uintptr_t>(window)))) widget->deleteLater();
}
