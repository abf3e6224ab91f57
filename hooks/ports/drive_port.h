// Storage devices: the drive-type test, opening a drive's device, one
// synchronous device request, closing, and the formatting of device names.
// The drive-door logic sees only these; the results drive its state machine.
#pragma once
#include <cstdint>

typedef void* HANDLE;

// GetDriveTypeA(rootPath): 2 removable, 5 CD-ROM; every other value (0
// unknown, 1 no such root, 3 fixed, 4 remote, 6 RAM disk) is never acted on.
uint32_t DriveTypeOf(const char* rootPath);

// CreateFileA(path, access, share, no security attributes, disposition,
// flags, no template). The device's handle, or the invalid handle (all bits
// set) when the system refuses it.
HANDLE OpenDevice(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t flags);

// DeviceIoControl(device, code, input, inputSize, output, outputSize,
// &bytesReturned, not overlapped): one request carried out synchronously.
// True when the system accepted it (a nonzero result).
bool DeviceRequest(HANDLE device, uint32_t code, void* input, uint32_t inputSize, void* output,
                   uint32_t outputSize);

// CloseHandle(device).
void CloseDevice(HANDLE device);

// wsprintfA(buffer, format, letter): format holds one "%c". buffer has room
// for 16 characters. Returns the number of characters written.
int FormatDriveName(char* buffer, const char* format, char letter);
