#include "fake_drives.h"

#include <cstdio>
#include <cstring>

#include "drive_lock.h"
#include "drive_port.h"

namespace fakedrives {

std::vector<std::string> calls;
Script script;
std::set<std::string> openHandles;
static int nextHandle = 1;

void Reset() {
    calls.clear();
    script = Script{};
    openHandles.clear();
    nextHandle = 1;
}

std::vector<std::string> CallsStartingWith(const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
    return out;
}

static std::string HandleName(HANDLE h) {
    if (h == InvalidDeviceHandle()) return "INVALID";
    if (h == nullptr) return "null";
    return "#" + std::to_string(reinterpret_cast<uintptr_t>(h));
}

static std::string Hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%X", v);
    return b;
}

static std::string Hex4(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%04X", v);
    return b;
}

}  // namespace fakedrives

using namespace fakedrives;

uint32_t DriveTypeOf(const char* rootPath) {
    calls.push_back(std::string("GetDriveTypeA(") + rootPath + ")");
    auto it = script.driveTypes.find(rootPath[0]);
    return it == script.driveTypes.end() ? 1 : it->second;
}

HANDLE OpenDevice(const char* path, uint32_t access, uint32_t share, uint32_t disposition,
                  uint32_t flags) {
    std::string text = std::string("CreateFileA(") + path + "," + Hex(access) + "," +
                       std::to_string(share) + "," + std::to_string(disposition) + "," +
                       Hex(flags) + ")";
    HANDLE h = InvalidDeviceHandle();
    if (!script.refusedPaths.count(path)) {
        h = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(nextHandle++));
        openHandles.insert(HandleName(h));
    }
    calls.push_back(text + " -> " + HandleName(h));
    return h;
}

bool DeviceRequest(HANDLE device, uint32_t code, void* input, uint32_t inputSize, void* output,
                   uint32_t outputSize) {
    std::string text = "DeviceIoControl(" + HandleName(device) + "," + Hex(code) + ",";
    if (code == kVwin32DiocDosIoctl && inputSize == sizeof(DiocRegisters)) {
        auto* regs = static_cast<DiocRegisters*>(input);
        // reg_EDX must carry the parameter block's address (its low 32 bits).
        const uint32_t paramsAddress =
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&legacyLockParams));
        text += "EBX=" + std::to_string(regs->reg_EBX) + ",ECX=" + Hex4(regs->reg_ECX) +
                ",EAX=" + Hex4(regs->reg_EAX) + ",op=" +
                (regs->reg_EDX == paramsAddress ? std::to_string(legacyLockParams.operation)
                                                : std::string("bad-EDX")) +
                ",Flags=" + std::to_string(regs->reg_Flags) + "," + std::to_string(inputSize) +
                "," + std::to_string(outputSize) + ")";
        calls.push_back(text);
        LegacyAnswer answer;
        if (!script.legacyAnswers.empty()) {
            answer = script.legacyAnswers.front();
            script.legacyAnswers.pop_front();
        }
        if (!answer.accepted) return false;
        auto* out = static_cast<DiocRegisters*>(output);
        out->reg_Flags =
            answer.carry ? (out->reg_Flags | kCarryFlag) : (out->reg_Flags & ~kCarryFlag);
        return true;
    }
    text += "[";
    for (uint32_t i = 0; i < inputSize; ++i)
        text += (i ? " " : "") + std::to_string(static_cast<const uint8_t*>(input)[i]);
    text += "]," + std::to_string(inputSize) + ",out=" + std::to_string(outputSize) + ")";
    calls.push_back(text);
    (void)output;
    return !script.requestsFail;
}

void CloseDevice(HANDLE device) {
    calls.push_back("CloseHandle(" + HandleName(device) + ")");
    openHandles.erase(HandleName(device));
}

int FormatDriveName(char* buffer, const char* format, char letter) {
    return std::snprintf(buffer, 16, format, letter);
}

void RecordDoorHeld(int index, bool held) {
    const char letter = static_cast<char>('A' + index);
    if (held)
        script.doorRecord[letter] = Script::Holder::ThisProcess;
    else if (script.doorRecord.count(letter) && script.doorRecord[letter] != Script::Holder::RunningProcess)
        script.doorRecord.erase(letter);
}

bool DoorLeftHeld(int index) {
    auto it = script.doorRecord.find(static_cast<char>('A' + index));
    return it != script.doorRecord.end() && it->second == Script::Holder::EndedProcess;
}
