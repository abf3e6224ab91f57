// The power key where the desktop's own power manager handles it. GNOME's
// settings daemon and KDE's PowerDevil each take logind's power-key
// inhibitor themselves and act on the key as their settings say, so a logind
// inhibitor of ours changes nothing there: their setting is changed instead,
// and put back. What was there before is written to a record first, so that
// a controller that ended out of order has it put back by its watchdog at
// once (or, failing that, at the next start). Only the key that was changed
// is put back, and only where it still holds the value that was set.
#include "power_desktop_linux.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <systemd/sd-bus.h>
#include <unistd.h>
#include <climits>

#include <algorithm>
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

// ---- KDE: PowerDevil's settings file ----
//
// Plasma 5 keeps the power key in powermanagementprofilesrc,
// [<profile>][HandleButtonEvents] powerButtonAction; Plasma 6 in
// powerdevilrc, [<profile>][SuspendAndShutdown] PowerButtonAction. 0 is
// "do nothing" in both. Only that key is changed, the rest of the file stays
// as the user has it; a file that is a link (a dotfiles folder) is read and
// written through the link.

struct KdeFile {
    const char* name;
    const char* group;  // after the profile's "[...]"
    const char* key;
};
const KdeFile kPlasma5{"powermanagementprofilesrc", "[HandleButtonEvents]", "powerButtonAction"};
const KdeFile kPlasma6{"powerdevilrc", "[SuspendAndShutdown]", "PowerButtonAction"};

std::string ConfigPath(const char* name) {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string base = config && *config ? config : std::string(home ? home : "") + "/.config";
    return base + "/" + name;
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// The Plasma of this session: KDE_SESSION_VERSION, or else the file that is
// there (Plasma 5 made its profiles file at its first run; Plasma 6 moved
// them to powerdevilrc and may have none while all is default).
const KdeFile& PlasmaFile() {
    const char* version = std::getenv("KDE_SESSION_VERSION");
    if (version && *version) return std::atoi(version) >= 6 ? kPlasma6 : kPlasma5;
    return Exists(ConfigPath(kPlasma5.name)) && !Exists(ConfigPath(kPlasma6.name)) ? kPlasma5 : kPlasma6;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);  // through a link, as the user set it up
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// Where the key's group starts and ends (lines.size() when it is not there).
void FindGroup(const std::vector<std::string>& lines, const std::string& header, size_t& group, size_t& end) {
    group = end = lines.size();
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i][0] != '[') continue;
        if (group != lines.size()) {
            end = i;
            return;
        }
        if (lines[i] == header) group = i;
    }
}

size_t FindKey(const std::vector<std::string>& lines, const std::string& header, const std::string& key) {
    size_t group, end;
    FindGroup(lines, header, group, end);
    for (size_t i = group + 1; i < end; ++i)
        if (lines[i].rfind(key + "=", 0) == 0) return i;
    return lines.size();
}

std::string KdeValue(const std::vector<std::string>& lines, const std::string& header, const std::string& key) {
    size_t at = FindKey(lines, header, key);
    return at == lines.size() ? kUnset : lines[at].substr(key.size() + 1);
}

// Sets (or, with kUnset, removes) the key; the rest of the file stays as it
// was. A group left empty by a removal goes too.
void SetKdeValue(std::vector<std::string>& lines, const std::string& header, const std::string& key,
                 const std::string& value) {
    const std::string line = key + "=" + value;
    size_t at = FindKey(lines, header, key);
    if (at != lines.size()) {
        if (value != kUnset) {
            lines[at] = line;
            return;
        }
        lines.erase(lines.begin() + static_cast<long>(at));
        size_t group, end;
        FindGroup(lines, header, group, end);
        bool empty = true;
        for (size_t i = group + 1; i < end && empty; ++i) empty = lines[i].empty();
        if (group != lines.size() && empty) {
            while (group > 0 && lines[group - 1].empty()) --group;  // with the blank line before it
            lines.erase(lines.begin() + static_cast<long>(group), lines.begin() + static_cast<long>(end));
        }
        return;
    }
    if (value == kUnset) return;
    size_t group, end;
    FindGroup(lines, header, group, end);
    if (group != lines.size()) {
        lines.insert(lines.begin() + static_cast<long>(group) + 1, line);
        return;
    }
    if (!lines.empty() && !lines.back().empty()) lines.push_back("");
    lines.push_back(header);
    lines.push_back(line);
}

// The file a user's path names: a link is followed to its end, so that it is
// written through, not replaced.
std::string LinkTarget(const std::string& path) {
    char real[PATH_MAX];
    if (realpath(path.c_str(), real)) return real;
    char target[PATH_MAX];
    ssize_t n = readlink(path.c_str(), target, sizeof target - 1);  // a link to a file not made yet
    if (n <= 0) return path;
    target[n] = '\0';
    return target[0] == '/' ? std::string(target) : path.substr(0, path.rfind('/') + 1) + target;
}

bool WriteThrough(const std::string& path, const std::string& text) {
    std::string target = LinkTarget(path);
    struct stat info;
    int mode = stat(target.c_str(), &info) == 0 ? static_cast<int>(info.st_mode & 07777) : 0600;
    std::string folder = target.substr(0, target.rfind('/')), name = target.substr(target.rfind('/') + 1);
    return WriteFileAtomically(folder, name.c_str(), text.data(), static_cast<uint32_t>(text.size()), mode);
}

bool WriteLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    return WriteThrough(path, text);
}

// PowerDevil reads its settings again when asked.
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

// ---- the record, one line each, fields split by tabs:
//   gnome <the user's value before>
//   kde <file> <group header> <key> <value before> <value set>
//   kde-new <file>            (the file was not there before)
// A restore puts a value back only where it still holds the value that was
// set: what the parent changed in the meantime stays theirs. ----

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0, tab;
    while ((tab = line.find('\t', start)) != std::string::npos) {
        fields.push_back(line.substr(start, tab - start));
        start = tab + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

bool changed = false;

void PutBackKde(const std::string& path, const std::vector<std::vector<std::string>>& entries, bool wasNew) {
    std::vector<std::string> lines = ReadLines(path);
    bool any = false;
    for (const auto& e : entries) {
        if (KdeValue(lines, e[2], e[3]) != e[5]) continue;  // changed since: the user's
        SetKdeValue(lines, e[2], e[3], e[4]);
        any = true;
    }
    if (!any) return;
    bool blank = true;
    for (const auto& line : lines) blank = blank && line.empty();
    if (wasNew && blank)
        unlink(LinkTarget(path).c_str());
    else
        WriteLines(path, lines);
    TellPowerDevil();
}

void PutBack(const std::string& record) {
    std::istringstream in(record);
    std::string line;
    std::vector<std::vector<std::string>> kde;
    std::vector<std::string> newFiles;
    while (std::getline(in, line)) {
        if (line.rfind("gnome ", 0) == 0) {
            if (GSettings* settings = GnomeSettings()) {
                if (GnomeValue(settings) == "'nothing'") SetGnomeValue(settings, line.substr(6));
                g_object_unref(settings);
            }
            continue;
        }
        std::vector<std::string> f = Fields(line);
        if (f[0] == "kde" && f.size() == 6)
            kde.push_back(f);
        else if (f[0] == "kde-new" && f.size() == 2)
            newFiles.push_back(f[1]);
    }
    std::vector<std::string> files;
    for (const auto& e : kde)
        if (std::find(files.begin(), files.end(), e[1]) == files.end()) files.push_back(e[1]);
    for (const auto& file : files) {
        std::vector<std::vector<std::string>> entries;
        for (const auto& e : kde)
            if (e[1] == file) entries.push_back(e);
        PutBackKde(file, entries, std::find(newFiles.begin(), newFiles.end(), file) != newFiles.end());
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
    const KdeFile& file = PlasmaFile();
    const std::string kdePath = ConfigPath(file.name);
    std::vector<std::string> lines;
    if (kde) {
        lines = ReadLines(kdePath);
        if (!Exists(kdePath)) record += "kde-new\t" + kdePath + "\n";
        for (const char* profile : kKdeProfiles) {
            const std::string header = std::string("[") + profile + "]" + file.group;
            record += "kde\t" + kdePath + "\t" + header + "\t" + file.key + "\t" + KdeValue(lines, header, file.key) +
                      "\t0\n";
        }
    }
    std::string path = RecordPath();
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
        for (const char* profile : kKdeProfiles)
            SetKdeValue(lines, std::string("[") + profile + "]" + file.group, file.key, "0");  // 0: do nothing
        ok = WriteLines(kdePath, lines) && TellPowerDevil() && ok;
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
