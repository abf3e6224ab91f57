#include "wayland_screen.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "desktop_texts_linux.h"
#include "drawing_linux.h"
#include "lock_session.h"
#include "window_linux.h"

namespace {

ControllerWindow* reportTarget = nullptr;
bool shown = false;
QRect pending;
bool flushQueued = false;

// On the library's thread: queued for the controller's thread.
void ReceiveReport(HWND, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (reportTarget) reportTarget->Post(message, wParam, lParam);
}

void Flush() {
    flushQueued = false;
    const QImage* image = LockWindowImage();
    const QRect area = pending;
    pending = QRect();
    if (!image || image->isNull() || area.isEmpty() || image->format() != QImage::Format_RGB32) return;
    const QRect r = area.intersected(image->rect());
    LockScreenUpdate(reinterpret_cast<const uint32_t*>(image->constBits()), image->bytesPerLine() / 4, r.x(), r.y(),
                     r.width(), r.height());
}

}  // namespace

bool LockScreenOnWayland() { return HookSessionKind() != kSessionX11; }

void ConnectToSession(ControllerWindow* window) {
    if (!LockScreenOnWayland()) return;
    reportTarget = window;
    SetHookReportReceiver(ReceiveReport);
    QTimer::singleShot(0, TellLeftOverSessionLock);  // once the message loop runs
}

void ShowWaylandLockScreen(ControllerWindow* window, bool show) {
    if (show) {
        int32_t x, y, width, height;
        LockScreenArea(x, y, width, height);
        if (width > 0 && height > 0) window->setGeometry(x, y, width, height);
    }
    shown = show;
    LockScreenShown(show);
}

bool WaylandLockScreenShown() { return shown; }

void NoteLockScreenChange(const QRect& area) {
    if (!shown || !LockScreenOnWayland()) return;
    pending |= area;
    if (flushQueued) return;
    flushQueued = true;
    QTimer::singleShot(0, Flush);
}

void ShowHintOnLockScreen(QWidget* hint) {
    if (!LockScreenOnWayland() || !hint) return;
    hint->adjustSize();
    QImage image(hint->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    hint->render(&image);
    int32_t x, y, width, height;
    LockScreenArea(x, y, width, height);
    if (width <= 0 || height <= 0) return;
    // The picture's other pixels stay clear: the desktop shows around it.
    QImage full(width, height, QImage::Format_RGB32);
    full.fill(0);
    const QRect place = QRect(hint->pos() - QPoint(x, y), image.size()).intersected(full.rect());
    for (int row = 0; row < place.height(); ++row)
        for (int col = 0; col < place.width(); ++col)
            full.setPixel(place.x() + col, place.y() + row, image.pixel(col, row));
    LockScreenUpdate(reinterpret_cast<const uint32_t*>(full.constBits()), full.bytesPerLine() / 4, place.x(), place.y(),
                     place.width(), place.height());
}
