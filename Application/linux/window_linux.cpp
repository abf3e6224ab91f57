#include "window_linux.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "commands_linux.h"
#include "controller.h"
#include "session_linux.h"
#include "sleep_linux.h"
#include "update_rect_port.h"
#include "watchdog_linux.h"
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
    PaintArea(nullptr, event->region());
    updateArea_ = event->rect();
    MainWindowProc(handle_, WM_PAINT, 0, 0);
    updateArea_ = QRect();
}

// ---- painting straight onto the X window ----
//
// The lock screen's pixels are already held once, in the window image of the
// drawing adapter. Painted through Qt they would be held twice more: in
// Qt's image of the window (shared with the X server, 8 MB at 1920 x 1080)
// and in the server's copy of it. So while the window's pixels are the
// window image's own format (a 24-bit TrueColor window of 32 bits a pixel,
// least significant byte first, as X servers on PCs have) and Qt does not
// scale the window (a device pixel ratio of 1), the window paints on screen
// (Qt's WA_PaintOnScreen): exposed and updated areas are put from the window
// image with PutImage. Otherwise Qt paints it as any other window.

bool ControllerWindow::PixelsFit() {
    xcb_connection_t* c = Connection();
    if (!c || devicePixelRatioF() != 1.0) return false;
    const xcb_window_t id = static_cast<xcb_window_t>(winId());
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&free)> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr), &free);
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&free)> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr), &free);
    if (!geometry || !attributes || geometry->depth != 24) return false;
    const xcb_setup_t* setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    bool fourBytes = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == 24) fourBytes = f.data->bits_per_pixel == 32;
    if (!fourBytes) return false;
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == attributes->visual)
                    return v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xFF0000 &&
                           v.data->green_mask == 0xFF00 && v.data->blue_mask == 0xFF;
    return false;
}

void ControllerWindow::PutOnScreen(const QImage* image, const QRegion& region) {
    xcb_connection_t* c = Connection();
    if (!c) return;
    const xcb_window_t id = static_cast<xcb_window_t>(winId());
    if (!gc_) {
        gc_ = xcb_generate_id(c);
        const uint32_t values[] = {0 /* black */, 0 /* no exposure events */};
        xcb_create_gc(c, gc_, id, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES, values);
    }
    // At most a megabyte a request (and never more than the server takes).
    const size_t requestBytes =
        std::min<size_t>(size_t{1} << 20, static_cast<size_t>(xcb_get_maximum_request_length(c)) * 4 - 64);
    const QRect pictured = image && image->format() == QImage::Format_RGB32 ? image->rect() : QRect();
    std::vector<uint8_t> strip;
    for (const QRect& rect : region) {
        const QRect area = rect.intersected(this->rect());
        if (area.isEmpty()) continue;
        for (const QRect& black : QRegion(area).subtracted(pictured)) {
            const xcb_rectangle_t r{static_cast<int16_t>(black.x()), static_cast<int16_t>(black.y()),
                                    static_cast<uint16_t>(black.width()), static_cast<uint16_t>(black.height())};
            xcb_poly_fill_rectangle(c, id, gc_, 1, &r);
        }
        const QRect shown = area.intersected(pictured);
        if (shown.isEmpty()) continue;
        const size_t rowBytes = static_cast<size_t>(shown.width()) * 4;
        const int rowsPerStrip = static_cast<int>(std::max<size_t>(1, requestBytes / rowBytes));
        for (int top = shown.top(); top <= shown.bottom(); top += rowsPerStrip) {
            const int rows = std::min(rowsPerStrip, shown.bottom() + 1 - top);
            strip.resize(rowBytes * static_cast<size_t>(rows));
            for (int row = 0; row < rows; ++row)
                std::memcpy(strip.data() + rowBytes * static_cast<size_t>(row),
                            image->constScanLine(top + row) + static_cast<size_t>(shown.x()) * 4, rowBytes);
            xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, id, gc_, static_cast<uint16_t>(shown.width()),
                          static_cast<uint16_t>(rows), static_cast<int16_t>(shown.x()), static_cast<int16_t>(top), 0,
                          24, static_cast<uint32_t>(strip.size()), strip.data());
        }
    }
    xcb_flush(c);
}

static void PaintThroughQt(QWidget* window, const QImage* image, const QRegion& region) {
    QPainter painter(window);
    for (const QRect& rect : region) {
        painter.fillRect(rect, Qt::black);
        if (image) painter.drawImage(rect.topLeft(), *image, rect);
    }
}

void ControllerWindow::PaintArea(const QImage* image, const QRegion& region) {
    if (testAttribute(Qt::WA_PaintOnScreen)) PutOnScreen(image, region);
    else PaintThroughQt(this, image, region);
}

void PaintWindowArea(QWidget* window, const QImage* image, const QRegion& region) {
    if (auto* controller = dynamic_cast<ControllerWindow*>(window)) controller->PaintArea(image, region);
    else PaintThroughQt(window, image, region);
}

void ControllerWindow::ShowLockScreen() {
    QRect all;
    for (QScreen* screen : QGuiApplication::screens()) all |= screen->geometry();
    setGeometry(all);
    setAttribute(Qt::WA_PaintOnScreen, PixelsFit());
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
    // Where Qt painted the window, what it keeps of the hidden window's
    // picture (an image of the window's size shared with the X server, 8 MB
    // at 1920 x 1080, and the server's copy of it) goes; the next show
    // repaints the whole window anyway. The X window itself, whose id the
    // hook library reports to, stays.
    if (QBackingStore* store = backingStore()) store->resize(QSize(0, 0));
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
    // Made only after the single-instance lock is held: what this controller
    // changes from here on, the watchdog puts back if it ends out of order.
    WatchdogArm();
    ListenForCommands(controllerWindow);
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
