// A small helper program for the Windows adapter tests, run as a separate
// process under Wine:
//   probe version            prints platform major minor of GetVersionExA
//   probe hold-repeat V      calls KeyboardHookRepeat(V) and waits for stdin to close
//   probe shared-bytes       prints the non-zero bytes of Hookwell's shared section
//   probe message SECONDS [CAPTION]  waits for a message box captioned
//                            "Error" (or CAPTION), prints its text and
//                            presses its OK button
//   probe list CAPTION ID    prints the items of list box ID of the dialog
//                            titled CAPTION, one a line
//   probe select CAPTION ID TEXT  selects exactly the item TEXT of that list
//   probe close              posts WM_CLOSE to the controller's window
//   probe end-session        sends the controller WM_QUERYENDSESSION and
//                            WM_ENDSESSION (TRUE) and ends its process the
//                            moment the second is answered, as the system
//                            may; prints the first answer
//   probe tray EVENT         posts the tray callback with mouse message EVENT
//   probe keys TEXT [MS]     posts WM_HOOK_KEY for each character (its key code),
//                            MS milliseconds apart
//   probe lock-screen        prints "visible" or "hidden", and the share in
//                            per mille of the controller's window that shows
//                            neither black nor white
//   probe click CAPTION ID   clicks button ID of the window titled CAPTION
//   probe open SECONDS NAMES waits for the open-file dialog, types NAMES into
//                            its name field and chooses Open
//   probe wait-gone CAPTION SECONDS  waits until no window is titled CAPTION
//   probe count CAPTION      prints how many visible top-level windows are
//                            titled CAPTION
//   probe key-access         prints the access list of HKLM\Software\Bumblepad
//                            (SDDL)
//   probe controller-path    prints the program file of the running controller
//   probe thread-precision   starts a thread and prints the x87 precision its
//                            code finds at its start (24, 53 or 64 bits)
//   probe processes NAME     prints the ids of the running processes whose
//                            program file is NAME, whatever desktop they are on
//   probe window-rect CAPTION prints left top right bottom of the top-level
//                            window titled CAPTION, in desktop coordinates
//                            ("#menu": the open popup menu)
//   probe foreground         prints the title of the foreground window
//   probe notepad-text       prints the text in Notepad's edit field, between
//                            [ and ]
//   probe controller-parent  prints the program file name of the process that
//                            started the controller whose window is on this
//                            desktop ("-" when that process has ended)
#include <windows.h>
#include <sddl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

static HWND Controller() { return FindWindowA("Bumblepad", "Bumblepad"); }

// Waits up to `seconds` for a top-level window of that class and caption.
static HWND WaitForWindow(const char* className, const char* caption, int seconds) {
    for (DWORD end = GetTickCount() + static_cast<DWORD>(seconds) * 1000; GetTickCount() < end; Sleep(100))
        if (HWND window = FindWindowA(className, caption)) return window;
    return nullptr;
}

static bool endSessionAnswered = false;
static LRESULT queryAnswer = -1;
static void CALLBACK QueryAnswered(HWND, UINT, ULONG_PTR, LRESULT result) { queryAnswer = result; }
static void CALLBACK EndSessionAnswered(HWND, UINT, ULONG_PTR process, LRESULT) {
    TerminateProcess(reinterpret_cast<HANDLE>(process), 1);
    endSessionAnswered = true;
}

// The share, per mille, of the window's pixels on the screen that are
// neither black nor white.
static int ColouredShare(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    long coloured = 0;
    const DWORD* pixel = static_cast<const DWORD*>(bits);
    for (long i = 0; i < static_cast<long>(width) * height; ++i) {
        const DWORD c = pixel[i] & 0xFFFFFF;
        coloured += c != 0 && c != 0xFFFFFF;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return width * height > 0 ? static_cast<int>(coloured * 1000 / (static_cast<long>(width) * height)) : 0;
}

// Every process: its id, its parent's id and its program file name.
struct ProcessEntry {
    DWORD id, parent;
    std::string name;
};
static std::vector<ProcessEntry> Processes() {
    std::vector<ProcessEntry> all;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return all;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        all.push_back({entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    CloseHandle(snapshot);
    return all;
}

// A message box with this caption: a dialog with the message's static
// control (id 0xFFFF), which a program's own dialog of the same title lacks.
struct BoxSearch {
    const char* caption;
    HWND found;
};
static BOOL CALLBACK FindBox(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<BoxSearch*>(data);
    char text[256] = {}, kind[64] = {};
    GetWindowTextA(window, text, sizeof text);
    GetClassNameA(window, kind, sizeof kind);
    if (std::strcmp(kind, "#32770") == 0 && std::strcmp(text, search->caption) == 0 && GetDlgItem(window, 0xFFFF)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
static HWND MessageBoxTitled(const char* caption) {
    BoxSearch search{caption, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct WindowCount {
    const char* caption;
    int windows;
};
static BOOL CALLBACK CountWindow(HWND window, LPARAM data) {
    auto* count = reinterpret_cast<WindowCount*>(data);
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    count->windows += IsWindowVisible(window) && std::strcmp(text, count->caption) == 0;
    return TRUE;
}

// The x87 precision-control field of the calling thread, in mantissa bits.
static int X87Precision() {
    unsigned short word = 0;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    switch ((word >> 8) & 3) {
        case 0:
            return 24;
        case 2:
            return 53;
        case 3:
            return 64;
        default:
            return -1;
    }
}
static DWORD WINAPI ReportPrecision(void* result) {
    *static_cast<int*>(result) = X87Precision();
    return 0;
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
    if (argc >= 3 && std::strcmp(argv[1], "message") == 0) {  // message SECONDS [CAPTION]
        DWORD end = GetTickCount() + static_cast<DWORD>(std::atoi(argv[2])) * 1000;
        while (GetTickCount() < end) {
            HWND box = MessageBoxTitled(argc >= 4 ? argv[3] : "Error");
            if (box) {
                char text[4096] = {};
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
    if (argc >= 2 && std::strcmp(argv[1], "end-session") == 0) {
        HWND window = Controller();
        if (!window) return 4;
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        // Both are queued at once; the second is answered before the
        // controller's loop can see the quit message that the first posts.
        SendMessageCallbackA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, QueryAnswered, 0);
        SendMessageCallbackA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, EndSessionAnswered,
                             reinterpret_cast<ULONG_PTR>(process));
        for (DWORD end = GetTickCount() + 30000; !endSessionAnswered && GetTickCount() < end;) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            Sleep(1);
        }
        if (!endSessionAnswered) return 5;
        WaitForSingleObject(process, 10000);
        std::printf("%ld\n", static_cast<long>(queryAnswer));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "tray") == 0) {
        HWND window = Controller();
        if (!window) return 4;
        PostMessageA(window, 0x8001 /* WM_TRAY_NOTIFY */, 1, std::strtol(argv[2], nullptr, 0));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "keys") == 0) {
        HWND window = Controller();
        if (!window) return 4;
        const DWORD gap = argc >= 4 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 0)) : 0;
        for (const char* c = argv[2]; *c; ++c) {
            if (c != argv[2] && gap) Sleep(gap);
            PostMessageA(window, WM_HOOK_KEY, static_cast<WPARAM>(*c), 0);
        }
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "word-time") == 0) {  // word-time KEYS: ms from the last key to hidden
        HWND window = Controller();
        if (!window) return 4;
        for (const char* c = argv[2]; *c; ++c) PostMessageA(window, WM_HOOK_KEY, static_cast<WPARAM>(*c), 0);
        const DWORD start = GetTickCount();
        while (IsWindowVisible(window) && GetTickCount() - start < 30000) Sleep(1);
        std::printf("%lu\n", static_cast<unsigned long>(GetTickCount() - start));
        return IsWindowVisible(window) ? 5 : 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "lock-screen") == 0) {
        HWND window = Controller();
        if (!window) return 4;
        const bool visible = IsWindowVisible(window);
        std::printf("%s %d\n", visible ? "visible" : "hidden", visible ? ColouredShare(window) : 0);
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "click") == 0) {
        HWND window = WaitForWindow(nullptr, argv[2], 30);
        if (!window) return 4;
        const int id = std::atoi(argv[3]);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "open") == 0) {
        HWND dialog = WaitForWindow("#32770", "Open", std::atoi(argv[2]));
        if (!dialog) return 4;
        // The name field: the combo box of the Explorer-style dialog, or the
        // edit field of the older one.
        const int field = GetDlgItem(dialog, 0x47C) ? 0x47C : 0x480;
        for (DWORD end = GetTickCount() + 10000; GetTickCount() < end; Sleep(100)) {
            SetDlgItemTextA(dialog, field, argv[3]);
            char text[1024] = {};
            GetDlgItemTextA(dialog, field, text, sizeof text);
            if (std::strcmp(text, argv[3]) == 0) break;
        }
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "count") == 0) {
        WindowCount count{argv[2], 0};
        EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&count));
        std::printf("%d\n", count.windows);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "key-access") == 0) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Bumblepad", 0, READ_CONTROL, &key) != ERROR_SUCCESS) return 4;
        DWORD size = 0;
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, nullptr, &size);
        auto* descriptor = static_cast<PSECURITY_DESCRIPTOR>(LocalAlloc(LPTR, size));
        char* text = nullptr;
        if (RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor, &size) != ERROR_SUCCESS ||
            !ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                                  DACL_SECURITY_INFORMATION, &text, nullptr))
            return 5;
        std::printf("%s\n", text);
        LocalFree(text);
        LocalFree(descriptor);
        RegCloseKey(key);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "controller-path") == 0) {
        HWND window = Controller();
        if (!window) return 4;
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id);
        // QueryFullProcessImageNameA (from Vista on) asks the system, not the
        // other process's memory.
        using Query = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
        auto query = reinterpret_cast<Query>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
        char path[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (!process || !query || !query(process, 0, path, &size)) {
            std::fprintf(stderr, "controller-path: error %lu\n", GetLastError());
            return 5;
        }
        std::printf("%s\n", path);
        CloseHandle(process);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "thread-precision") == 0) {
        GetLastInput();  // Hookwell is loaded, as a hook would load it into this process
        int precision = 0;
        HANDLE thread = CreateThread(nullptr, 0, ReportPrecision, &precision, 0, nullptr);
        if (!thread) return 5;
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        std::printf("%d\n", precision);
        return 0;
    }
    if (argc >= 4 && (std::strcmp(argv[1], "list") == 0 || std::strcmp(argv[1], "select") == 0)) {
        HWND list = GetDlgItem(WaitForWindow("#32770", argv[2], 30), std::atoi(argv[3]));
        if (!list) return 4;
        const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            // The wide form: Wine hands the single-byte one across processes
            // as wide text, cut after its first character.
            wchar_t wide[512] = {};
            char text[512] = {};
            SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide));
            WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
            if (argv[1][0] == 'l')
                std::printf("%s\n", text);
            else
                SendMessageA(list, LB_SETSEL, argc >= 5 && std::strcmp(text, argv[4]) == 0, i);
        }
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "window-rect") == 0) {
        HWND window = std::strcmp(argv[2], "#menu") == 0 ? FindWindowA("#32768", nullptr) : FindWindowA(nullptr, argv[2]);
        RECT r;
        if (!window || !GetWindowRect(window, &r)) return 4;
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "hold-keyboard-lock") == 0) {
        HWND window = CreateWindowExA(0, "STATIC", "probe lock", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        SetKeyboardHook(window, true, false);
        std::printf("locked\n");
        std::fflush(stdout);
        int reports = 0;
        for (DWORD end = GetTickCount() + static_cast<DWORD>(std::atoi(argv[2])) * 1000; GetTickCount() < end;) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                reports += msg.message == WM_HOOK_KEY;
                DispatchMessageA(&msg);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        }
        RemoveKeyboardHook(false);
        std::printf("%d reports\n", reports);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "foreground") == 0) {
        char text[256] = {};
        GetWindowTextA(GetForegroundWindow(), text, sizeof text);
        std::printf("%s\n", text);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "notepad-text") == 0) {
        HWND edit = FindWindowExA(FindWindowA("Notepad", nullptr), nullptr, "Edit", nullptr);
        if (!edit) return 4;
        char text[4096] = {};
        SendMessageA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        std::printf("[%s]\n", text);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "processes") == 0) {
        for (const ProcessEntry& process : Processes())
            if (_stricmp(process.name.c_str(), argv[2]) == 0) std::printf("%lu\n", process.id);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "controller-parent") == 0) {
        HWND window = Controller();
        if (!window) return 4;
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        const std::vector<ProcessEntry> all = Processes();
        DWORD parent = 0;
        for (const ProcessEntry& process : all)
            if (process.id == id) parent = process.parent;
        std::string name = "-";
        for (const ProcessEntry& process : all)
            if (process.id == parent) name = process.name;
        std::printf("%s\n", name.c_str());
        return 0;
    }
    if (argc >= 4 && std::strcmp(argv[1], "wait-gone") == 0) {
        for (DWORD end = GetTickCount() + static_cast<DWORD>(std::atoi(argv[3])) * 1000; GetTickCount() < end; Sleep(100))
            if (!FindWindowA(nullptr, argv[2])) return 0;
        return 6;
    }
    return 1;
}
