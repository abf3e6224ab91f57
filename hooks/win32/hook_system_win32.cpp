// The hook system over user32. The user32 functions are bound at their first
// call, so that the library loads on systems whose user32 lacks one of them
// (GetLastInputInfo); each process that loads the library binds its own.
#include <windows.h>

#include "hook_procs.h"
#include "hook_rules.h"
#include "hook_system_port.h"
#include "shared_state.h"

static_assert(sizeof(LowLevelKeyEvent) == sizeof(KBDLLHOOKSTRUCT), "KBDLLHOOKSTRUCT layout");
static_assert(offsetof(LowLevelKeyEvent, flags) == offsetof(KBDLLHOOKSTRUCT, flags), "KBDLLHOOKSTRUCT layout");
static_assert(sizeof(MouseEvent) == sizeof(MOUSEHOOKSTRUCT), "MOUSEHOOKSTRUCT layout");
static_assert(offsetof(MouseEvent, pt) == offsetof(MOUSEHOOKSTRUCT, pt), "MOUSEHOOKSTRUCT layout");

namespace {

template <typename F>
F Bind(F& slot, const char* name) {
    if (!slot) {
        HMODULE user32 = GetModuleHandleA("user32.dll");
        if (!user32) user32 = LoadLibraryA("user32.dll");
        if (user32) slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
    }
    return slot;
}

using SetWindowsHookExAFn = HHOOK(WINAPI*)(int, HOOKPROC, HINSTANCE, DWORD);
using CallNextHookExFn = LRESULT(WINAPI*)(HHOOK, int, WPARAM, LPARAM);
using UnhookWindowsHookExFn = BOOL(WINAPI*)(HHOOK);
using PostMessageAFn = BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM);
using SystemParametersInfoAFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
using KeybdEventFn = void(WINAPI*)(BYTE, BYTE, DWORD, ULONG_PTR);
using GetLastInputInfoFn = BOOL(WINAPI*)(PLASTINPUTINFO);

SetWindowsHookExAFn setWindowsHookEx;
CallNextHookExFn callNextHookEx;
UnhookWindowsHookExFn unhookWindowsHookEx;
PostMessageAFn postMessage;
SystemParametersInfoAFn systemParametersInfo;
KeybdEventFn keybdEvent;
GetLastInputInfoFn getLastInputInfo;

// The procedures as the system calls them (CALLBACK is stdcall on x86).
LRESULT CALLBACK KeyboardLockLLEntry(int code, WPARAM w, LPARAM l) { return KeyboardLockProcLL(code, w, l); }
LRESULT CALLBACK KeyboardLockEntry(int code, WPARAM w, LPARAM l) { return KeyboardLockProc(code, w, l); }
LRESULT CALLBACK MouseBlockEntry(int code, WPARAM w, LPARAM l) { return MouseBlockProc(code, w, l); }
LRESULT CALLBACK MouseReportEntry(int code, WPARAM w, LPARAM l) { return MouseReportProc(code, w, l); }
LRESULT CALLBACK KeyboardTrackerEntry(int code, WPARAM w, LPARAM l) { return KeyboardTrackerProc(code, w, l); }
LRESULT CALLBACK MouseTrackerEntry(int code, WPARAM w, LPARAM l) { return MouseTrackerProc(code, w, l); }

HOOKPROC EntryFor(HookProcedure procedure) {
    switch (procedure) {
    case HookProcedure::KeyboardLockLL: return KeyboardLockLLEntry;
    case HookProcedure::KeyboardLock: return KeyboardLockEntry;
    case HookProcedure::MouseBlock: return MouseBlockEntry;
    case HookProcedure::MouseReport: return MouseReportEntry;
    case HookProcedure::KeyboardTracker: return KeyboardTrackerEntry;
    case HookProcedure::MouseTracker: return MouseTrackerEntry;
    }
    return nullptr;
}

}  // namespace

HHOOK InstallHook(int type, HookProcedure procedure) {
    auto fn = Bind(setWindowsHookEx, "SetWindowsHookExA");
    return fn ? fn(type, EntryFor(procedure), static_cast<HINSTANCE>(moduleInstance), 0) : nullptr;
}

bool RemoveHook(HHOOK hook) {
    auto fn = Bind(unhookWindowsHookEx, "UnhookWindowsHookEx");
    return fn && fn(hook);
}

intptr_t CallNextHook(HHOOK hook, int code, uintptr_t wParam, intptr_t lParam) {
    auto fn = Bind(callNextHookEx, "CallNextHookEx");
    return fn ? fn(hook, code, wParam, lParam) : 0;
}

void PostReport(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (auto fn = Bind(postMessage, "PostMessageA")) fn(window, message, wParam, lParam);
}

void SetScreenSaverRunning(bool running, int32_t* previous) {
    if (auto fn = Bind(systemParametersInfo, "SystemParametersInfoA"))
        fn(SPI_SETSCREENSAVERRUNNING, running ? 1 : 0, previous, 0);
}

void SynthesizeKey(uint8_t vk, uint8_t scan, uint32_t flags) {
    if (auto fn = Bind(keybdEvent, "keybd_event")) fn(vk, scan, flags, 0);
}

uint32_t HookTickCount() { return GetTickCount(); }

bool QueryLastInputTime(uint32_t& time) {
    auto fn = Bind(getLastInputInfo, "GetLastInputInfo");
    if (!fn) return false;
    LASTINPUTINFO info;
    info.cbSize = sizeof info;  // 8
    info.dwTime = 0;
    if (!fn(&info)) return false;
    time = info.dwTime;
    return true;
}
