#include "tray_wayland.h"

#include <sys/stat.h>
#include <systemd/sd-bus.h>

#include <QAction>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "desktop_texts_linux.h"

bool TrayIsStatusNotifierItem() {
    static int answer = -1;
    if (answer >= 0) return answer == 1;
    answer = 0;
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return false;
    int registered = 0;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    if (sd_bus_get_property_trivial(bus, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                                    "org.kde.StatusNotifierWatcher", "IsStatusNotifierHostRegistered", &error, 'b',
                                    &registered) >= 0)
        answer = registered ? 1 : 0;
    sd_bus_error_free(&error);
    sd_bus_flush_close_unref(bus);
    return answer == 1;
}

void MarkKeyboardOnlyItem(QAction* item) {
    const char* why = KeyboardOnlyRefusalText();
    if (!item || !why) return;
    item->setEnabled(false);
    item->setToolTip(QString::fromUtf8(why));
}

// A file per desktop under $XDG_STATE_HOME/bumblepad records that its
// parent has been told.
static std::string ToldMarker() {
    std::string folder;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) folder = state;
    else if (const char* home = std::getenv("HOME")) folder = std::string(home) + "/.local/state";
    else return {};
    folder += "/bumblepad";
    std::string desktop = std::getenv("XDG_CURRENT_DESKTOP") ? std::getenv("XDG_CURRENT_DESKTOP") : "wayland";
    for (char& c : desktop)
        if (c == '/' || c == ':') c = '-';
    return folder + "/told-kept-keys-" + desktop;
}

void TellKeptKeysOnce() {
    const char* keys = KeptKeysText();
    if (!keys) return;
    const std::string marker = ToldMarker();
    struct stat info;
    if (!marker.empty() && stat(marker.c_str(), &info) == 0) return;
    QMessageBox box(QMessageBox::Information, "Bumblepad", QString::fromUtf8(keys), QMessageBox::Ok);
    box.exec();
    std::fprintf(stderr, "Bumblepad: told the parent which keys the desktop keeps\n");
    if (marker.empty()) return;
    const std::string folder = marker.substr(0, marker.rfind('/'));
    mkdir(folder.substr(0, folder.rfind('/')).c_str(), 0700);
    mkdir(folder.c_str(), 0700);
    std::ofstream(marker) << keys << '\n';
}
