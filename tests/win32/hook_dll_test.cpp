// The hook library's keyboard lock against the real hook system (Wine): a
// key put into the input stream reaches the low-level hook, is swallowed and
// posted to the report window as WM_HOOK_KEY. The test loads a copy of the
// library under another name, so that its shared section is one of its own
// and the section the other tests read stays untouched.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Hookwell.h"  // the report messages

namespace {

std::vector<WPARAM> reports;

LRESULT CALLBACK ReportProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HOOK_KEY) reports.push_back(wParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// Handles this thread's messages until `count` reports are in, or at most
// `ms` milliseconds.
void PumpUntilReports(size_t count, DWORD ms) {
    DWORD end = GetTickCount() + ms;
    while (reports.size() < count && static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        Sleep(5);
    }
}

void Key(BYTE vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

struct IsolatedLibrary {
    HMODULE module = nullptr;
    void (*setKeyboardHook)(HWND, bool, bool) = nullptr;
    void (*removeKeyboardHook)(bool) = nullptr;
    void (*keyboardHookRepeat)(bool) = nullptr;
    IsolatedLibrary() {
        char path[MAX_PATH], temp[MAX_PATH];
        GetModuleFileNameA(nullptr, path, MAX_PATH);  // the library lies beside the test program
        std::string original = path;
        original = original.substr(0, original.find_last_of("\\/") + 1) + "Hookwell.dll";
        GetTempPathA(MAX_PATH, temp);
        std::string copy = std::string(temp) + "HookwellIsolated.dll";
        CopyFileA(original.c_str(), copy.c_str(), FALSE);
        module = LoadLibraryA(copy.c_str());
        if (!module) return;
        setKeyboardHook = reinterpret_cast<void (*)(HWND, bool, bool)>(
            reinterpret_cast<void*>(GetProcAddress(module, "_Z15SetKeyboardHookP6HWND__bb")));
        removeKeyboardHook = reinterpret_cast<void (*)(bool)>(
            reinterpret_cast<void*>(GetProcAddress(module, "_Z18RemoveKeyboardHookb")));
        keyboardHookRepeat = reinterpret_cast<void (*)(bool)>(
            reinterpret_cast<void*>(GetProcAddress(module, "_Z18KeyboardHookRepeatb")));
    }
};

TEST(HookDll, TheLowLevelLockReportsInjectedKeysAndRespectsTheRepeatSwitch) {
    IsolatedLibrary library;
    ASSERT_NE(library.module, nullptr) << GetLastError();
    ASSERT_TRUE(library.setKeyboardHook && library.removeKeyboardHook && library.keyboardHookRepeat);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ReportProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "HookDllTestReports";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    reports.clear();
    library.keyboardHookRepeat(false);
    library.setKeyboardHook(window, true, false);
    Key('W', false);
    Key('W', false);  // a repeat: not reported with repeats off
    Key('W', true);
    Key('R', false);
    Key('R', true);
    // Keys reach the hook in order: once R's report is in, a reported repeat
    // of W would be too. No report at all is a hook that sees no keys.
    PumpUntilReports(2, 5000);
    library.removeKeyboardHook(false);
    EXPECT_EQ(reports, (std::vector<WPARAM>{'W', 'R'}));
    DestroyWindow(window);
}

}  // namespace
