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
#include "linux_paths.h"
#include "lock_session.h"

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

// A file per desktop in the state folder ($XDG_STATE_HOME/Bumblepad, where
// the power key's and the doors' records are too) records that its parent
// has been told. Earlier versions kept it under .../bumblepad: a marker
// there counts as well.
static std::string ToldMarkerName() {
    std::string desktop = std::getenv("XDG_CURRENT_DESKTOP") ? std::getenv("XDG_CURRENT_DESKTOP") : "wayland";
    for (char& c : desktop)
        if (c == '/' || c == ':') c = '-';
    return "told-kept-keys-" + desktop;
}

static bool ToldBefore(const std::string& folder) {
    struct stat info;
    if (stat((folder + "/" + ToldMarkerName()).c_str(), &info) == 0) return true;
    std::string base = folder.substr(0, folder.rfind('/'));
    return stat((base + "/bumblepad/" + ToldMarkerName()).c_str(), &info) == 0;
}

void TellKeptKeysOnce() {
    const char* keys = KeptKeysText();
    if (!keys) return;
    const std::string folder = StateFolder();
    if (!folder.empty() && ToldBefore(folder)) return;
    QMessageBox box(QMessageBox::Information, "Bumblepad", QString::fromUtf8(keys), QMessageBox::Ok);
    box.exec();
    std::fprintf(stderr, "Bumblepad: told the parent which keys the desktop keeps\n");
    if (!folder.empty()) std::ofstream(folder + "/" + ToldMarkerName()) << keys << '\n';
}
