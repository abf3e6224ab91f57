// The power key where the desktop's own power manager handles it. GNOME's
// settings daemon and KDE's PowerDevil each take logind's power-key
// inhibitor themselves and act on the key as their settings say, so a logind
// inhibitor of ours changes nothing there: their setting is changed instead,
// and put back exactly. What was there before is written to a record first,
// so that a run that was killed has it put back at the next start.
#include "power_desktop_linux.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "linux_paths.h"

namespace {

const char kGnomeSchema[] = "org.gnome.settings-daemon.plugins.power";
const char kGnomeKey[] = "power-button-action";
const char* const kGnomeDaemons[] = {"org.gnome.SettingsDaemon.MediaKeys", "org.gnome.SettingsDaemon.Power"};
const char kKdeService[] = "org.kde.Solid.PowerManagement";
const char* const kKdeProfiles[] = {"AC", "Battery", "LowBattery"};
const char kKdeKey[] = "powerButtonAction";
const char kUnset[] = "-";  // in the record: the key was not set at all

std::string RecordPath() {
    std::string folder = StateFolder();
    return folder.empty() ? "" : folder + "/power-button";
}

bool SessionHasName(const char* name) {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return false;
    sd_bus_set_method_call_timeout(bus, 2 * 1000 * 1000);
    sd_bus_message* reply = nullptr;
    int has = 0;
    if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "NameHasOwner", nullptr, &reply, "s", name) >= 0)
        sd_bus_message_read(reply, "b", &has);
    sd_bus_message_unref(reply);
    sd_bus_flush_close_unref(bus);
    return has != 0;
}

// ---- GNOME: one GSettings key ----

GSettings* GnomeSettings() {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, kGnomeSchema, TRUE) : nullptr;
    if (!schema) return nullptr;
    bool hasKey = g_settings_schema_has_key(schema, kGnomeKey);
    g_settings_schema_unref(schema);
    return hasKey ? g_settings_new(kGnomeSchema) : nullptr;
}

// The user's own value as text ("'suspend'"), or kUnset when the default applies.
std::string GnomeValue(GSettings* settings) {
    GVariant* value = g_settings_get_user_value(settings, kGnomeKey);
    if (!value) return kUnset;
    gchar* text = g_variant_print(value, TRUE);
    std::string result = text;
    g_free(text);
    g_variant_unref(value);
    return result;
}

bool SetGnomeValue(GSettings* settings, const std::string& text) {
    bool ok = true;
    if (text == kUnset) {
        g_settings_reset(settings, kGnomeKey);
    } else {
        GVariant* value = g_variant_parse(nullptr, text.c_str(), nullptr, nullptr, nullptr);
        ok = value && g_settings_set_value(settings, kGnomeKey, value);  // takes the floating value
    }
    g_settings_sync();
    return ok;
}

// ---- KDE: PowerDevil's profiles file ----

std::string KdeFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base = config && *config ? config : std::string(std::getenv("HOME") ? std::getenv("HOME") : "") + "/.config";
    return base + "/powermanagementprofilesrc";
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// Sets (or, with kUnset, removes) the key; the rest of the file stays as it was.
void SetKdeValue(std::vector<std::string>& lines, const std::string& profile, const std::string& value) {
    const std::string header = "[" + profile + "][HandleButtonEvents]", prefix = std::string(kKdeKey) + "=";
    size_t group = lines.size(), end = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i][0] != '[') continue;
        if (group != lines.size()) {
            end = i;
            break;
        }
        if (lines[i] == header) group = i;
    }
    if (group == lines.size()) {
        if (value == kUnset) return;
        if (!lines.empty() && !lines.back().empty()) lines.push_back("");
        lines.push_back(header);
        lines.push_back(prefix + value);
        return;
    }
    for (size_t i = group + 1; i < end; ++i) {
        if (lines[i].rfind(prefix, 0) != 0) continue;
        if (value == kUnset) lines.erase(lines.begin() + static_cast<long>(i));
        else lines[i] = prefix + value;
        return;
    }
    if (value != kUnset) lines.insert(lines.begin() + static_cast<long>(group) + 1, prefix + value);
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string folder = path.substr(0, path.rfind('/')), name = path.substr(path.rfind('/') + 1);
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return WriteFileAtomically(folder, name.c_str(), text.data(), static_cast<uint32_t>(text.size()));
}

// PowerDevil reads its profiles again when asked.
bool TellPowerDevil() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return false;
    sd_bus_set_method_call_timeout(bus, 2 * 1000 * 1000);
    bool ok = true;
    for (const char* method : {"reparseConfiguration", "refreshStatus"})
        ok = sd_bus_call_method(bus, kKdeService, "/org/kde/Solid/PowerManagement", kKdeService, method, nullptr,
                                nullptr, "") >= 0 &&
             ok;
    sd_bus_flush_close_unref(bus);
    return ok;
}

// ---- the records: "gnome VALUE" in power-button; PowerDevil's whole file
// as it was in power-button-kde (a file "power-button-kde-none" when there
// was none), so that it comes back byte for byte ----

std::string ReadAll(const std::string& path, bool& exists) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    exists = fd >= 0;
    std::string text;
    if (fd < 0) return text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    close(fd);
    return text;
}

bool WriteText(const std::string& path, const std::string& text) {
    std::string folder = path.substr(0, path.rfind('/')), name = path.substr(path.rfind('/') + 1);
    return WriteFileAtomically(folder, name.c_str(), text.data(), static_cast<uint32_t>(text.size()));
}

bool changed = false;

void PutBack(const std::string& record) {
    std::istringstream in(record);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("gnome ", 0) == 0) {
            if (GSettings* settings = GnomeSettings()) {
                SetGnomeValue(settings, line.substr(6));
                g_object_unref(settings);
            }
        } else if (line == "kde") {
            std::string copy = RecordPath() + "-kde";
            bool had = false;
            std::string text = ReadAll(copy, had);
            bool none = access((copy + "-none").c_str(), F_OK) == 0;
            if (had && WriteText(KdeFile(), text)) TellPowerDevil();
            else if (none && unlink(KdeFile().c_str()) == 0) TellPowerDevil();
            unlink(copy.c_str());
            unlink((copy + "-none").c_str());
        }
    }
}

}  // namespace

bool DesktopHandlesPowerKey() {
    for (const char* daemon : kGnomeDaemons)
        if (SessionHasName(daemon)) return true;
    return SessionHasName(kKdeService);
}

bool DesktopPowerKeyDoesNothing() {
    bool gnome = false, kde = false;
    for (const char* daemon : kGnomeDaemons) gnome = gnome || SessionHasName(daemon);
    kde = SessionHasName(kKdeService);
    if (changed || (!gnome && !kde)) return changed;
    // First what is there, so that a killed run can be put right.
    std::string record;
    GSettings* settings = gnome ? GnomeSettings() : nullptr;
    if (settings) record += std::string("gnome ") + GnomeValue(settings) + "\n";
    std::vector<std::string> lines;
    std::string path = RecordPath();
    if (kde && !path.empty()) {
        bool had = false;
        std::string text = ReadAll(KdeFile(), had);
        bool kept = had ? WriteText(path + "-kde", text) : WriteText(path + "-kde-none", "");
        if (kept) record += "kde\n";
        else kde = false;
        lines = ReadLines(KdeFile());
    }
    if (path.empty() || record.empty() ||
        !WriteFileAtomically(path.substr(0, path.rfind('/')), "power-button", record.data(),
                             static_cast<uint32_t>(record.size()))) {
        if (settings) g_object_unref(settings);
        return false;  // without the record nothing is changed
    }
    bool ok = true;
    if (settings) {
        ok = SetGnomeValue(settings, "'nothing'");
        g_object_unref(settings);
    }
    if (kde) {
        for (const char* profile : kKdeProfiles) SetKdeValue(lines, profile, "0");  // 0: do nothing
        ok = WriteLines(KdeFile(), lines) && TellPowerDevil() && ok;
    }
    changed = true;
    return ok;
}

void DesktopPowerKeyRestore() {
    if (!changed) return;
    changed = false;
    RestoreDesktopPowerKeyLeftChanged();
}

void RestoreDesktopPowerKeyLeftChanged() {
    std::string path = RecordPath();
    if (path.empty()) return;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return;
    std::string record;
    char buffer[1024];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) record.append(buffer, static_cast<size_t>(n));
    close(fd);
    PutBack(record);
    unlink(path.c_str());
}
