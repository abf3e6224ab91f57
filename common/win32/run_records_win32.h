// What a run of the controller that ended without its clean-up (killed,
// crashed, the machine cut off) left changed on Windows, and which the next
// start and the uninstaller put back: the values of the settings key that
// record a change together with the process that made it. The key grants
// its users query and set-value, which is what these ask for. Used by the
// controller (the power and sleep buttons) and by Hookwell (the drive doors).
#pragma once
#include <windows.h>

namespace runrecords {

constexpr const char* kKey = "Software\\Bumblepad";

// Whether process id still runs. A process the caller may not open (another
// user's) runs; one the system does not know has ended.
inline bool ProcessRuns(DWORD id) {
    if (id == 0) return false;
    if (id == GetCurrentProcessId()) return true;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

// The value name of the settings key: exactly size bytes, or false.
inline bool Read(const char* name, void* data, DWORD size) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0, got = size;
    const bool read = RegQueryValueExA(key, name, nullptr, &type, static_cast<BYTE*>(data), &got) == ERROR_SUCCESS &&
                      type == REG_BINARY && got == size;
    RegCloseKey(key);
    return read;
}

inline bool Write(const char* name, const void* data, DWORD size) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
    const bool written =
        RegSetValueExA(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

inline void Delete(const char* name) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

}  // namespace runrecords
