// A program started by an elevated process inherits its elevated token. The
// desktop's shell (Explorer) runs as the logged-on user, not elevated; a
// program it starts does too. The shell is reached through its own
// automation interfaces: the desktop's window among the shell windows, its
// browser, the view of the desktop folder, and that view's application
// object, whose ShellExecute runs in the shell's process.
#include "shell_start_win32.h"

#include <windows.h>

#include <exdisp.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

namespace {

// Releases a COM interface when it goes out of scope.
template <typename Interface>
struct Held {
    Interface* p = nullptr;
    ~Held() {
        if (p) p->Release();
    }
    void** Out() { return reinterpret_cast<void**>(&p); }
};

BSTR Wide(const char* text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (length <= 0) return nullptr;
    BSTR wide = SysAllocStringLen(nullptr, static_cast<UINT>(length - 1));
    if (wide) MultiByteToWideChar(CP_ACP, 0, text, -1, wide, length);
    return wide;
}

// The shell's application object, as the desktop's view hands it out.
bool DesktopShell(Held<IShellDispatch2>& shell) {
    Held<IShellWindows> windows;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, windows.Out())))
        return false;
    VARIANT empty;
    VariantInit(&empty);
    long window = 0;
    Held<IDispatch> desktop;
    if (windows.p->FindWindowSW(&empty, &empty, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &desktop.p) != S_OK ||
        !desktop.p)
        return false;
    Held<IServiceProvider> provider;
    Held<IShellBrowser> browser;
    Held<IShellView> view;
    Held<IDispatch> background;
    Held<IShellFolderViewDual> folderView;
    Held<IDispatch> application;
    return SUCCEEDED(desktop.p->QueryInterface(IID_IServiceProvider, provider.Out())) &&
           SUCCEEDED(provider.p->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.Out())) &&
           SUCCEEDED(browser.p->QueryActiveShellView(&view.p)) &&
           SUCCEEDED(view.p->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.Out())) &&
           SUCCEEDED(background.p->QueryInterface(IID_IShellFolderViewDual, folderView.Out())) &&
           SUCCEEDED(folderView.p->get_Application(&application.p)) &&
           SUCCEEDED(application.p->QueryInterface(IID_IShellDispatch2, shell.Out()));
}

VARIANT Text(BSTR text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = text;
    return v;
}

}  // namespace

bool RunsElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                          elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

bool StartThroughDesktopShell(const char* file, const char* directory) {
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool started = false;
    {
        Held<IShellDispatch2> shell;
        if (DesktopShell(shell)) {
            BSTR path = Wide(file);
            VARIANT arguments = Text(SysAllocString(L"")), folder = Text(Wide(directory)),
                    verb = Text(SysAllocString(L"open")), show;
            VariantInit(&show);
            show.vt = VT_I4;
            show.lVal = SW_SHOWNORMAL;
            started = path && folder.bstrVal && SUCCEEDED(shell.p->ShellExecute(path, arguments, folder, verb, show));
            SysFreeString(path);
            VariantClear(&arguments);
            VariantClear(&folder);
            VariantClear(&verb);
        }
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return started;
}
