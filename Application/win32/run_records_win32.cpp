// The changes a controller that ended without its clean-up left behind on
// Windows, put back at the next start: the power and sleep buttons (the
// policy record, "PowerButtons") and the drive doors (recorded by Hookwell
// as it holds them, "DriveDoors"). The uninstaller puts both back as well.
#include <windows.h>

#include "Hookwell.h"
#include "drive_recovery_port.h"
#include "power_port.h"
#include "run_records_win32.h"

namespace {

constexpr const char* kPowerRecord = "PowerButtons";

// The value: the id of the process that changed the buttons, then the
// policy as it was before.
struct PowerRecord {
    DWORD holder;
    GlobalPowerPolicy before;
};
static_assert(sizeof(PowerRecord) == 196, "the record is 4 + 192 bytes");

bool ReadPowerRecord(PowerRecord& record) { return runrecords::Read(kPowerRecord, &record, sizeof record); }

bool MadeByAnotherRunThatRuns(const PowerRecord& record) {
    return record.holder != GetCurrentProcessId() && runrecords::ProcessRuns(record.holder);
}

}  // namespace

void KeepPowerRecord(const GlobalPowerPolicy& before) {
    PowerRecord record;
    if (ReadPowerRecord(record) && MadeByAnotherRunThatRuns(record)) return;
    record.holder = GetCurrentProcessId();
    record.before = before;
    runrecords::Write(kPowerRecord, &record, sizeof record);
}

bool PowerRecordLeft(GlobalPowerPolicy& before) {
    PowerRecord record;
    if (!ReadPowerRecord(record) || runrecords::ProcessRuns(record.holder)) return false;
    before = record.before;
    return true;
}

void DropPowerRecord() {
    PowerRecord record;
    if (ReadPowerRecord(record) && MadeByAnotherRunThatRuns(record)) return;
    runrecords::Delete(kPowerRecord);
}

// A release of every drive: Hookwell releases each door that its record
// names as held by a process that has ended (it holds none yet itself).
void ReleaseDoorsLeftHeld() {
    bool every[26];
    for (bool& drive : every) drive = true;
    LockAll(false, every);
}
