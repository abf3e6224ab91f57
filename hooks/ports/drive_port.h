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

// The record of doors held with the media-removal request, which the system
// keeps locked after the process that locked them has ended (it counts
// those locks for the device, not for their caller, unlike the
// ejection-control request's). Windows keeps it beside the settings, with
// the id of the process that holds each door; elsewhere nothing needs it
// (the Linux adapter keeps its own record of optical drives).
// RecordDoorHeld(index, held): drive index's door is held by this process
//   now, or released.
// DoorLeftHeld(index): the record names the door as held by a process that
//   has ended.
void RecordDoorHeld(int index, bool held);
bool DoorLeftHeld(int index);
