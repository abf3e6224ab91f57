// A small helper program for the Windows adapter tests, run as a separate
// process under Wine:
//   probe version            prints platform major minor of GetVersionExA
//   probe hold-repeat V      calls KeyboardHookRepeat(V) and waits for stdin to close
//   probe shared-bytes       prints the non-zero bytes of Hookwell's shared section
//   probe message SECONDS    waits for a message box captioned "Error", prints
//                            its text and presses its OK button
//   probe close              posts WM_CLOSE to the controller's window
//   probe post M W L         posts message M (wParam W, lParam L; numbers) to
//                            the controller's window
//   probe keys MS CODE...    posts WM_HOOK_KEY with each code, MS ms apart
//   probe visible SECONDS V  waits until the controller's window is visible
//                            (V = 1) or hidden (V = 0); exit code 0 when it is
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Hookwell.h"

static const unsigned char* SharedSection(DWORD& size) {
    auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleA("Hookwell.dll"));
    if (!base) return nullptr;
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    auto* section = IMAGE_FIRST_SECTION(nt);
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (std::strncmp(reinterpret_cast<const char*>(section->Name), ".IdleTra", 8) == 0) {
            size = section->Misc.VirtualSize;
            return base + section->VirtualAddress;
        }
    }
    return nullptr;
}

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "version") == 0) {
        OSVERSIONINFOA info = {};
        info.dwOSVersionInfoSize = sizeof info;
        GetVersionExA(&info);
        std::printf("%lu %lu %lu\n", info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "hold-repeat") == 0) {
        KeyboardHookRepeat(argv[2][0] == '1');
        std::printf("ready\n");
        std::fflush(stdout);
        char line[16];
        while (std::fgets(line, sizeof line, stdin)) {
        }
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "shared-bytes") == 0) {
        GetLastInput();  // make sure the library is loaded and used
        DWORD size = 0;
        const unsigned char* bytes = SharedSection(size);
        if (!bytes) return 2;
        int nonZero = 0;
        for (DWORD i = 0; i < size; ++i) nonZero += bytes[i] != 0;
        std::printf("%d\n", nonZero);
        return 0;
    }
    if (argc >= 5 && std::strcmp(argv[1], "post") == 0) {
        HWND window = FindWindowA("Bumblepad", "Bumblepad");
        if (!window) return 2;
        PostMessageA(window, static_cast<UINT>(std::strtoul(argv[2], nullptr, 0)),
                     static_cast<WPARAM>(std::strtoul(argv[3], nullptr, 0)),
                     static_cast<LPARAM>(std::strtol(argv[4], nullptr, 0)));
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "keys") == 0) {
        HWND window = FindWindowA("Bumblepad", "Bumblepad");
        if (!window) return 2;
        for (int i = 3; i < argc; ++i) {
            if (i > 3) Sleep(static_cast<DWORD>(std::atoi(argv[2])));
            PostMessageA(window, WM_HOOK_KEY, static_cast<WPARAM>(std::strtoul(argv[i], nullptr, 0)), 0);
        }
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "visible") == 0) {
        const bool wanted = argv[3][0] == '1';
        DWORD end = GetTickCount() + static_cast<DWORD>(std::atoi(argv[2])) * 1000;
        do {
            HWND window = FindWindowA("Bumblepad", "Bumblepad");
            if (window && (IsWindowVisible(window) != FALSE) == wanted) return 0;
            Sleep(50);
        } while (GetTickCount() < end);
        return 1;
    }
    if (argc >= 3 && std::strcmp(argv[1], "message") == 0) {
        DWORD end = GetTickCount() + static_cast<DWORD>(std::atoi(argv[2])) * 1000;
        while (GetTickCount() < end) {
            HWND box = FindWindowA("#32770", "Error");
            if (box) {
                char text[256] = {};
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message's static control
                std::printf("%s\n", text);
                std::fflush(stdout);
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return 0;
            }
            Sleep(100);
        }
        std::printf("(no message box)\n");
        return 3;
    }
    if (argc >= 2 && std::strcmp(argv[1], "close") == 0) {
        HWND window = FindWindowA("Bumblepad", "Bumblepad");
        if (!window) return 4;
        PostMessageA(window, WM_CLOSE, 0, 0);
        return 0;
    }
    return 1;
}
