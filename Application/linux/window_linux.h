// The controller's window on Linux: a Qt widget whose X window id serves as
// its handle, with the window procedure fed from Qt's events, timers, posted
// messages and the hook library's X client messages.
#pragma once
#include <QAbstractNativeEventFilter>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <map>

#include "messages.h"

class QTimer;

class ControllerWindow : public QWidget, public QAbstractNativeEventFilter {
public:
    ControllerWindow();
    HWND Handle() const { return handle_; }
    void StartTimer(uintptr_t id, uint32_t periodMs);
    void StopTimer(uintptr_t id);
    void Post(uint32_t message, WParam wParam, LParam lParam);

    // The lock screen: shown over every monitor, kept above everything else
    // while it is up.
    void ShowLockScreen();
    void HideLockScreen();

    // The rectangle of the paint under way (GetUpdateRect); empty outside one.
    QRect UpdateArea() const { return updateArea_; }

    // Paints region from image (its top-left pixel at the window's; black
    // where it has none, or where image is null).
    void PaintArea(const QImage* image, const QRegion& region);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // None: while the lock screen paints straight onto its X window, nothing
    // paints it through Qt.
    QPaintEngine* paintEngine() const override { return nullptr; }

private:
    HWND handle_ = nullptr;
    uint32_t reportAtom_ = 0;
    std::map<uintptr_t, QTimer*> timers_;
    QTimer* keepOnTop_ = nullptr;
    QRect updateArea_;
    uint32_t gc_ = 0;  // X graphics context for painting on screen; 0 before the first
    bool PixelsFit();  // the X window takes the window image's pixels as they are
    void PutOnScreen(const QImage* image, const QRegion& region);
};

// Paints region of window from image (see ControllerWindow::PaintArea); any
// other widget through Qt.
void PaintWindowArea(QWidget* window, const QImage* image, const QRegion& region);

// The controller's window once created (null before).
ControllerWindow* TheControllerWindow();
