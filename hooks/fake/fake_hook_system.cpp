#include <algorithm>
#include <cstdio>
#include <cstring>

#include "fake_hooks.h"
#include "hook_system_port.h"
#include "shared_state.h"

namespace fakehooks {
std::vector<std::string> calls;
Script script;

void Reset() {
    calls.clear();
    script = Script();
    lastInputTime = 0;
    trackerKeyboardHook = trackerMouseHook = lockKeyboardHook = lockMouseHook = nullptr;
    reportWindow = nullptr;
    wheelCount = 0;
    lastMousePoint = {0, 0};
    std::memset(keyDownTable, 0, sizeof keyDownTable);
    repeatKeys = true;
    screenSaverState = 0;
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

static const char* ProcedureName(HookProcedure p) {
    switch (p) {
    case HookProcedure::KeyboardLockLL: return "KeyboardLockProcLL";
    case HookProcedure::KeyboardLock: return "KeyboardLockProc";
    case HookProcedure::MouseBlock: return "MouseBlockProc";
    case HookProcedure::MouseReport: return "MouseReportProc";
    case HookProcedure::KeyboardTracker: return "KeyboardTrackerProc";
    case HookProcedure::MouseTracker: return "MouseTrackerProc";
    }
    return "?";
}

// Handles are small numbers that name the procedure: 0x10 + its index.
static std::string HookName(HHOOK hook) { return Hex(reinterpret_cast<uintptr_t>(hook)); }
}  // namespace fakehooks

using fakehooks::calls;
using fakehooks::script;

HHOOK InstallHook(int type, HookProcedure procedure) {
    calls.push_back("SetWindowsHookExA(" + std::to_string(type) + "," + fakehooks::ProcedureName(procedure) +
                    ",module,0)");
    bool refused = script.refuseHooks || std::find(script.refusedTypes.begin(), script.refusedTypes.end(), type) !=
                                             script.refusedTypes.end();
    if (refused) return nullptr;
    return reinterpret_cast<HHOOK>(static_cast<uintptr_t>(0x10 + static_cast<int>(procedure)));
}

bool RemoveHook(HHOOK hook) {
    calls.push_back("UnhookWindowsHookEx(" + fakehooks::HookName(hook) + ")");
    return hook != nullptr;
}

intptr_t CallNextHook(HHOOK hook, int code, uintptr_t wParam, intptr_t) {
    calls.push_back("CallNextHookEx(" + fakehooks::HookName(hook) + "," + std::to_string(code) + "," +
                    fakehooks::Hex(wParam) + ")");
    return script.nextHookResult;
}

void PostReport(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    calls.push_back("PostMessageA(" + fakehooks::Hex(reinterpret_cast<uintptr_t>(window)) + "," +
                    fakehooks::Hex(message) + "," + std::to_string(wParam) + "," + std::to_string(lParam) + ")");
}

void SetScreenSaverRunning(bool running, int32_t* previous) {
    calls.push_back(std::string("SystemParametersInfoA(97,") + (running ? "1" : "0") + "," +
                    (previous == &screenSaverState ? "&screenSaverState" : "?") + ",0)");
    if (previous) *previous = script.screenSaverPrevious;
}

void SynthesizeKey(uint8_t vk, uint8_t scan, uint32_t flags) {
    calls.push_back("keybd_event(" + fakehooks::Hex(vk) + "," + fakehooks::Hex(scan) + "," + std::to_string(flags) +
                    ",0)");
}

uint32_t HookTickCount() { return script.tickCount; }

bool QueryLastInputTime(uint32_t& time) {
    calls.push_back("GetLastInputInfo(8)");
    if (script.lastInputFails) return false;
    time = script.lastInputTime;
    return true;
}
