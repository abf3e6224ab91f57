// Recording fake of the storage-device port. Every call is logged into
// fakedrives::calls as text with its arguments; drive types, refused opens
// and request results come from fakedrives::script.
//
// Log forms:
//   GetDriveTypeA(E:\)
//   CreateFileA(\\.\E:,0x80,3,3,0x0) -> #1        (or -> INVALID)
//   DeviceIoControl(#1,0x2D0940,[1],1,out=0)        (NT requests: the input byte)
//   DeviceIoControl(#2,0x1,EBX=5,ECX=0x4848,EAX=0x440D,op=0,Flags=1,28,28)  (register block)
//   CloseHandle(#1)
#pragma once
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fakedrives {

extern std::vector<std::string> calls;

// The answer to one register-block request: whether DeviceIoControl accepts
// it, and the carry bit it leaves in reg_Flags when it does.
struct LegacyAnswer {
    bool accepted = true;
    bool carry = false;
};

struct Script {
    std::map<char, uint32_t> driveTypes;     // by letter; missing letters answer 1 (no root)
    std::set<std::string> refusedPaths;      // CreateFileA answers INVALID for these
    bool requestsFail = false;               // NT requests: DeviceIoControl returns 0
    std::deque<LegacyAnswer> legacyAnswers;  // consumed in order; when empty: accepted, carry clear
    // The record of doors held past their holder, by letter: who holds the
    // door, as the record names it.
    enum class Holder { ThisProcess, EndedProcess, RunningProcess };
    std::map<char, Holder> doorRecord;
};
extern Script script;

// Handles still open (opened and not yet closed), by their log names.
extern std::set<std::string> openHandles;

void Reset();

// Calls whose text starts with prefix, in order.
std::vector<std::string> CallsStartingWith(const std::string& prefix);

}  // namespace fakedrives
