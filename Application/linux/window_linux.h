// The controller's window on Linux: a Qt widget whose X window id serves as
// its handle, with the window procedure fed from Qt's events, timers, posted
// messages and the hook library's X client messages.
#pragma once
#include <QAbstractNativeEventFilter>
#include <QRect>
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

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    HWND handle_ = nullptr;
    uint32_t reportAtom_ = 0;
    std::map<uintptr_t, QTimer*> timers_;
    QTimer* keepOnTop_ = nullptr;
    QRect updateArea_;
};

// The controller's window once created (null before).
ControllerWindow* TheControllerWindow();
