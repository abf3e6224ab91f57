// Storage devices on Windows: the kernel32 calls as they are, and wsprintfA,
// which lives in USER32 and is bound at its first call like every USER32
// function of this library.
#include <windows.h>

#include <cstdio>

#include "drive_port.h"

namespace {

typedef int(WINAPIV* WsprintfProc)(LPSTR, LPCSTR, ...);

WsprintfProc BindWsprintf() {
    static WsprintfProc proc = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        HMODULE user32 = LoadLibraryA("user32.dll");
        if (user32)
            proc = reinterpret_cast<WsprintfProc>(
                reinterpret_cast<void*>(GetProcAddress(user32, "wsprintfA")));
    }
    return proc;
}

}  // namespace

uint32_t DriveTypeOf(const char* rootPath) { return GetDriveTypeA(rootPath); }

HANDLE OpenDevice(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t flags) {
    return CreateFileA(path, access, share, nullptr, disposition, flags, nullptr);
}

bool DeviceRequest(HANDLE device, uint32_t code, void* input, uint32_t inputSize, void* output,
                   uint32_t outputSize) {
    DWORD bytesReturned = 0;
    return DeviceIoControl(device, code, input, inputSize, output, outputSize, &bytesReturned,
                           nullptr) != 0;
}

void CloseDevice(HANDLE device) { CloseHandle(device); }

int FormatDriveName(char* buffer, const char* format, char letter) {
    if (WsprintfProc proc = BindWsprintf()) return proc(buffer, format, letter);
    return std::snprintf(buffer, 16, format, letter);
}
