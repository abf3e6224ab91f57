// Storage devices on Windows: the kernel32 calls as they are, wsprintfA,
// which lives in USER32 and is bound at its first call like every USER32
// function of this library, and the record of doors held past their holder.
#include <windows.h>

#include <cstdio>

#include "drive_port.h"
#include "run_records_win32.h"

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

// The record of doors held with the media-removal request: the value
// "DriveDoors" of the settings key, 26 process ids (0: not held).
namespace {

constexpr const char* kDoorRecord = "DriveDoors";
struct DoorRecord {
    DWORD holder[26];
};

DoorRecord ReadDoorRecord() {
    DoorRecord record{};
    if (!runrecords::Read(kDoorRecord, &record, sizeof record)) record = DoorRecord{};
    return record;
}

}  // namespace

void RecordDoorHeld(int index, bool held) {
    if (index < 0 || index >= 26) return;
    DoorRecord record = ReadDoorRecord();
    DWORD& holder = record.holder[index];
    if (held) {
        holder = GetCurrentProcessId();
    } else {
        // Another holder that still runs keeps its entry.
        if (holder == 0 || (holder != GetCurrentProcessId() && runrecords::ProcessRuns(holder))) return;
        holder = 0;
    }
    bool any = false;
    for (DWORD id : record.holder) any = any || id != 0;
    if (any)
        runrecords::Write(kDoorRecord, &record, sizeof record);
    else
        runrecords::Delete(kDoorRecord);
}

bool DoorLeftHeld(int index) {
    if (index < 0 || index >= 26) return false;
    const DWORD holder = ReadDoorRecord().holder[index];
    return holder != 0 && !runrecords::ProcessRuns(holder);
}
