#include "fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Hookwell.h"
#include "clock_port.h"
#include "drive_recovery_port.h"
#include "fake_lockscreen.h"
#include "message_box_port.h"
#include "mutex_port.h"
#include "process_port.h"
#include "registry_port.h"
#include "version_port.h"
#include "window_port.h"

namespace fake {
std::vector<std::string> calls;
Script script;

void Reset() {
    calls.clear();
    script = Script();
}

std::vector<std::string> CallsStartingWith(const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.rfind(prefix, 0) == 0) out.push_back(c);
    return out;
}

static std::string Hex(uint64_t v) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(v));
    return text;
}

static std::string Str(const char* s) { return s ? s : "(null)"; }

static void Log(const std::string& call) { calls.push_back(call); }

static std::string Drives(const bool* drives) {
    std::string letters;
    for (int i = 0; i < 26; ++i)
        if (drives[i]) letters += static_cast<char>('A' + i);
    return letters;
}
}  // namespace fake

using fake::Hex;
using fake::Log;
using fake::script;
using fake::Str;

// ---- clock ----
uint32_t TickCount() { return script.tickCount; }
int64_t CalendarSeconds() { return script.calendarSeconds; }

// ---- settings store ----
static int fakeKey;
RegistryKey OpenMachineKey(const char* subKey, KeyAccess access) {
    // KEY_QUERY_VALUE 0x1, KEY_SET_VALUE 0x2.
    Log("RegOpenKeyExA(HKLM," + Str(subKey) + ",0," +
        (access == KeyAccess::Query      ? "0x1"
         : access == KeyAccess::SetValue ? "0x2"
                                         : "0x3") +
        ")");
    return script.settingsKeyExists ? &fakeKey : nullptr;
}
bool QueryBinaryValue(RegistryKey, const char* name, void* data, uint32_t& size) {
    Log("RegQueryValueExA(" + Str(name) + "," + std::to_string(size) + ")");
    auto it = script.values.find(name);
    if (it == script.values.end()) return false;
    if (it->second.size() > size) {
        size = static_cast<uint32_t>(it->second.size());
        return false;
    }
    std::memcpy(data, it->second.data(), it->second.size());
    size = static_cast<uint32_t>(it->second.size());
    return true;
}
bool SetBinaryValue(RegistryKey, const char* name, const void* data, uint32_t size) {
    Log("RegSetValueExA(" + Str(name) + ",REG_BINARY," + std::to_string(size) + ")");
    if (script.settingsWriteFails) return false;
    auto* bytes = static_cast<const uint8_t*>(data);
    script.values[name].assign(bytes, bytes + size);
    return true;
}
void CloseKey(RegistryKey) { Log("RegCloseKey"); }

// ---- message boxes, processes, mutexes, version ----
void ShowMessageBox(const char* text, const char* caption, uint32_t flags) {
    Log("MessageBoxA(" + Str(text) + "," + Str(caption) + "," + Hex(flags) + ")");
}
void LogNote(const char* text) { Log("Log(" + Str(text) + ")"); }
void StartProgram(const char* commandLine, const char* workingDirectory) {
    Log("CreateProcessA(" + Str(commandLine) + "," + Str(workingDirectory) + ")");
}
bool FileExists(const char* path) {
    return std::find(script.existingFiles.begin(), script.existingFiles.end(), path) != script.existingFiles.end();
}
MutexResult CreateNamedMutex(const char* name, std::string* problem) {
    Log("CreateMutexA(" + Str(name) + ")");
    if (script.mutexFails) {
        if (problem) *problem = "its folder belongs to another user";
        return kMutexFailed;
    }
    return script.mutexExists ? kMutexExists : kMutexCreated;
}
static int fakeMutex;
MutexHandle OpenNamedMutex(const char* name) {
    Log("OpenMutexA(0x1F0001,0," + Str(name) + ")");
    auto& m = script.openableMutexes;
    return std::find(m.begin(), m.end(), name) != m.end() ? &fakeMutex : nullptr;
}
void CloseMutex(MutexHandle) { Log("CloseHandle(mutex)"); }
void ReadOsVersion(OsVersionInfo& info) {
    Log("GetVersionExA(" + std::to_string(info.dwOSVersionInfoSize) + ")");
    info = script.version;
}

// ---- window ----
HWND const kFakeWindow = reinterpret_cast<HWND>(0x1234);
LResult MainWindowProc(HWND window, uint32_t message, WParam wParam, LParam lParam);
HWND CreateMainWindow(void*) {
    Log("CreateWindowExA(Bumblepad)");
    if (script.windowCreationFails) return nullptr;
    MainWindowProc(kFakeWindow, WM_CREATE, 0, 0);
    return kFakeWindow;
}
void StartWindowTimer(HWND, uintptr_t id, uint32_t periodMs) {
    Log("SetTimer(" + std::to_string(id) + "," + std::to_string(periodMs) + ")");
}
void StopWindowTimer(HWND, uintptr_t id) { Log("KillTimer(" + std::to_string(id) + ")"); }
int RunMessageLoop() {
    Log("MessageLoop");
    return script.messageLoopResult;
}
void PostQuit(int code) { Log("PostQuitMessage(" + std::to_string(code) + ")"); }
uint32_t RegisterNamedMessage(const char* name) {
    Log("RegisterWindowMessageA(" + Str(name) + ")");
    return 0xC0DE;
}
LResult DefaultWindowProc(HWND, uint32_t message, WParam, LParam) {
    Log("DefWindowProcA(" + Hex(message) + ")");
    return 0;
}
void PostWindowMessage(HWND, uint32_t message, WParam wParam, LParam lParam) {
    if (!script.postsFail) script.posted.push_back({message, wParam, lParam});
    Log("PostMessageA(" + Hex(message) + "," + std::to_string(wParam) + "," + std::to_string(lParam) + ")");
}

void ShowMainWindow(HWND, int command) {
    Log("ShowWindow(" + std::to_string(command) + ")");
    script.windowVisible = command != kSwHide;
}
bool IsMainWindowVisible(HWND) { return script.windowVisible; }
void DestroyOwnedWindow(HWND window) { Log("DestroyWindow(" + Hex(reinterpret_cast<uintptr_t>(window)) + ")"); }

void ReleaseDoorsLeftHeld() { Log("ReleaseDoorsLeftHeld"); }

// ---- the hook library's exports ----
void SetKeyboardHook(HWND, bool allowMouse, bool reportMouse) {
    Log(std::string("SetKeyboardHook(") + (allowMouse ? "1" : "0") + "," + (reportMouse ? "1" : "0") + ")");
    if (fake::lockScreen.layoutKnownOnceHooked) fake::lockScreen.layoutKnown = true;
}
void RemoveKeyboardHook(bool b) {
    Log(std::string("RemoveKeyboardHook(") + (b ? "1" : "0") + ")");
    // On Wayland the layout is known only while the lock has the keyboard.
    if (fake::lockScreen.layoutKnownOnceHooked) fake::lockScreen.layoutKnown = false;
}
void KeyboardHookRepeat(bool repeat) { Log(std::string("KeyboardHookRepeat(") + (repeat ? "1" : "0") + ")"); }
void InstallInputTracker() { Log("InstallInputTracker"); }
unsigned long GetLastInput() {
    Log("GetLastInput");
    return script.lastInput;
}
void RemoveInputTracker() { Log("RemoveInputTracker"); }
void LockAll(bool lock, const bool* drives) {
    Log(std::string("LockAll(") + (lock ? "1" : "0") + "," + fake::Drives(drives) + ")");
}
void ForceUnlock(bool, const bool* drives) { Log("ForceUnlock(" + fake::Drives(drives) + ")"); }
#if !defined(_WIN32)
bool KeyboardHookHolds() { return true; }
#endif
