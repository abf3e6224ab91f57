// A test-only stand-in for the controller during a full lock, for the desktop
// tests of the lock screen: it shows the controller's window full screen as a
// full lock with pictures does and hands the window's own key, button and
// move events to the lock screen the way the hook library's reports arrive
// (key: its virtual-key code; left/right button: 0x201/0x204; move: screen
// position). It prints "unlocked" when the unlock word has ended the lock.
// Never shipped.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "controller.h"
#include "lock_screen.h"
#include "lock_state.h"
#include "random.h"
#include "settings.h"
#include "window_linux.h"
#include "window_port.h"

namespace {

// The virtual-key code of an X keysym, for the keys the tests type.
uint32_t VirtualKey(quint32 keysym) {
    if (keysym >= 'a' && keysym <= 'z') return keysym - 'a' + 'A';
    if ((keysym >= 'A' && keysym <= 'Z') || (keysym >= '0' && keysym <= '9') || keysym == ' ') return keysym;
    switch (keysym) {
    case 0xFF08: return 0x08;  // BackSpace
    case 0xFF0D: return 0x0D;  // Return
    case 0xFFE1: return 0xA0;  // Shift_L
    case 0xFFE2: return 0xA1;  // Shift_R
    default: return keysym & 0xFF;
    }
}

class Reports : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        HWND window = mainWindow;
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat()) OnLockKey(window, VirtualKey(key->nativeVirtualKey()));
            return true;
        }
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            OnLockKey(window, mouse->button() == Qt::RightButton ? 0x204 : 0x201);
            return true;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (IsMainWindowVisible(window))
                OnLockMouseMove(window, static_cast<int32_t>(mouse->globalPosition().x()),
                                static_cast<int32_t>(mouse->globalPosition().y()));
            return true;
        }
        default:
            return false;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    options = defaultOptions;
    options.showPictures = true;
    options.showUnlockHint = true;
    std::snprintf(options.unlockWord, sizeof options.unlockWord, "%s", argc > 1 ? argv[1] : "wren");
    SeedRandom(static_cast<uint32_t>(std::time(nullptr)));

    mainWindow = CreateMainWindow(nullptr);
    ControllerWindow* window = TheControllerWindow();
    window->setMouseTracking(true);
    Reports reports;
    window->installEventFilter(&reports);
    locked = true;
    ShowMainWindow(mainWindow, kSwShow);
    window->activateWindow();

    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!locked) {
            std::printf("unlocked\n");
            std::fflush(stdout);
            watch.stop();
        }
    });
    watch.start(50);
    std::printf("locked\n");
    std::fflush(stdout);
    return QApplication::exec();
}
