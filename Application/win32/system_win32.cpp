// Windows adapters of the controller's small ports: clock, settings store,
// message boxes, processes, mutexes and the version record.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "clock_port.h"
#include "message_box_port.h"
#include "mutex_port.h"
#include "process_port.h"
#include "registry_port.h"
#include "shell_start_win32.h"
#include "version_port.h"

uint32_t TickCount() { return GetTickCount(); }
int64_t CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

RegistryKey OpenMachineKey(const char* subKey, KeyAccess access) {
    const REGSAM rights = access == KeyAccess::Query      ? KEY_QUERY_VALUE
                          : access == KeyAccess::SetValue ? KEY_SET_VALUE
                                                          : KEY_QUERY_VALUE | KEY_SET_VALUE;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, rights, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

bool QueryBinaryValue(RegistryKey key, const char* name, void* data, uint32_t& size) {
    DWORD length = size;
    LONG result = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, nullptr, static_cast<BYTE*>(data), &length);
    size = length;
    return result == ERROR_SUCCESS;
}

bool SetBinaryValue(RegistryKey key, const char* name, const void* data, uint32_t size) {
    return RegSetValueExA(static_cast<HKEY>(key), name, 0, REG_BINARY, static_cast<const BYTE*>(data), size) ==
           ERROR_SUCCESS;
}

void CloseKey(RegistryKey key) { RegCloseKey(static_cast<HKEY>(key)); }

void ShowMessageBox(const char* text, const char* caption, uint32_t flags) {
    MessageBoxA(nullptr, text, caption, flags);
}

void LogNote(const char* text) {
    char line[512];
    std::snprintf(line, sizeof line, "Bumblepad: %s\r\n", text);
    OutputDebugStringA(line);
}

// The program file a bare command line names: beside this program, where the
// system's search looks first. Empty when the line holds more than a name.
static std::string BesideThisProgram(const char* commandLine) {
    if (std::strpbrk(commandLine, " \"\\/:")) return {};
    char own[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, own, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    std::string path(own, length);
    return path.substr(0, path.find_last_of('\\') + 1) + commandLine;
}

void StartProgram(const char* commandLine, const char* workingDirectory) {
    // An elevated process (the installer's hand-over, a controller started
    // by an administrator's tool) hands the start to the desktop's shell, so
    // that the program runs as the logged-on user and not elevated: the
    // controller's settings, media and messages are then those of the parent
    // at the desktop. Where no shell can be reached, it starts as before.
    if (RunsElevated()) {
        const std::string file = BesideThisProgram(commandLine);
        if (!file.empty() && GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES &&
            StartThroughDesktopShell(file.c_str(), workingDirectory))
            return;
    }
    char line[MAX_PATH];
    lstrcpynA(line, commandLine, sizeof line);  // CreateProcessA may write to it
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, workingDirectory,
                       &startup, &process)) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
}

bool FileExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

MutexResult CreateNamedMutex(const char* name, std::string*) {
    CreateMutexA(nullptr, FALSE, name);  // held until the process ends
    return GetLastError() == ERROR_ALREADY_EXISTS ? kMutexExists : kMutexCreated;
}

MutexHandle OpenNamedMutex(const char* name) { return OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name); }

void CloseMutex(MutexHandle handle) { CloseHandle(handle); }

static_assert(sizeof(OSVERSIONINFOA) == sizeof(OsVersionInfo), "layouts agree");

void ReadOsVersion(OsVersionInfo& info) {
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
}
