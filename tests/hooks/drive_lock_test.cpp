#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Hookwell.h"
#include "drive_lock.h"
#include "fake_drives.h"
#include "shared_state.h"

namespace {

using Calls = std::vector<std::string>;


struct Selection {
    bool flags[26] = {};
    Selection(std::initializer_list<char> letters) {
        for (char c : letters) flags[c - 'A'] = true;
    }
    operator const bool*() const { return flags; }
};

// Each test starts as a fresh process: tables not yet made, nothing held.
class DriveLockTest : public testing::Test {
    protected:
    void SetUp() override {
        fakedrives::Reset();
        driveTablesReady = false;
        for (auto& h : driveHandles) h = nullptr;
        for (auto& c : driveLockCounts) c = 7;
    }
    void UseVersion(uint32_t platform, uint32_t major, uint32_t minor) {
        versionInfo = VersionRecord(platform, major, minor);
    }
    void Cdroms(std::initializer_list<char> letters) {
        for (char c : letters) fakedrives::script.driveTypes[c] = kDriveCdrom;
    }
    static Calls Requests() { return fakedrives::CallsStartingWith("DeviceIoControl"); }
    static Calls Opens() { return fakedrives::CallsStartingWith("CreateFileA"); }
};

class NtDriveLock : public DriveLockTest {
    protected:
    void SetUp() override {
        DriveLockTest::SetUp();
        UseVersion(2, 5, 1);
    }
};

class LegacyDriveLock : public DriveLockTest {
    protected:
    void SetUp() override {
        DriveLockTest::SetUp();
        UseVersion(1, 4, 10);
    }
};

TEST_F(NtDriveLock, FirstCallPreparesTheTables) {
    LockAll(false, Selection{});
    EXPECT_TRUE(driveTablesReady);
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(driveHandles[i], InvalidDeviceHandle());
        EXPECT_EQ(driveLockCounts[i], 0);
    }
    EXPECT_TRUE(fakedrives::calls.empty());  // nothing held, nothing asked
}

TEST_F(NtDriveLock, LocksARemovableDriveThroughItsOwnDevice) {
    fakedrives::script.driveTypes['E'] = kDriveRemovable;
    LockAll(true, Selection{'E'});
    EXPECT_EQ(fakedrives::calls,
              (Calls{"GetDriveTypeA(E:\\)", "CreateFileA(\\\\.\\E:,0x80,3,3,0x0) -> #1",
                     "DeviceIoControl(#1,0x2D0940,[1],1,out=0)"}));
    EXPECT_EQ(driveHandles[4], reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(fakedrives::openHandles.count("#1"), 1u);

    fakedrives::calls.clear();
    LockAll(false, Selection{'E'});
    EXPECT_EQ(fakedrives::calls,
              (Calls{"DeviceIoControl(#1,0x2D0940,[0],1,out=0)", "CloseHandle(#1)"}));
    EXPECT_EQ(driveHandles[4], InvalidDeviceHandle());
    EXPECT_TRUE(fakedrives::openHandles.empty());
}

TEST_F(NtDriveLock, FixedRemoteAndMissingDrivesAreNeverOpened) {
    fakedrives::script.driveTypes['C'] = 3;        // fixed
    fakedrives::script.driveTypes['H'] = 4;        // remote
    fakedrives::script.driveTypes['R'] = 6;        // RAM disk
    LockAll(true, Selection{'C', 'H', 'R', 'X'});  // X: no such drive
    EXPECT_EQ(fakedrives::calls, (Calls{"GetDriveTypeA(C:\\)", "GetDriveTypeA(H:\\)",
                                        "GetDriveTypeA(R:\\)", "GetDriveTypeA(X:\\)"}));
    LockAll(false, Selection{'C', 'H', 'R', 'X'});
    EXPECT_TRUE(Opens().empty());
    EXPECT_TRUE(Requests().empty());
}

TEST_F(NtDriveLock, ARefusedOpenStaysReleasedAndIsTriedAgain) {
    Cdroms({'D'});
    fakedrives::script.refusedPaths.insert("\\\\.\\D:");
    LockAll(true, Selection{'D'});
    EXPECT_EQ(driveHandles[3], InvalidDeviceHandle());
    EXPECT_TRUE(Requests().empty());
    fakedrives::script.refusedPaths.clear();
    LockAll(true, Selection{'D'});
    EXPECT_EQ(Opens().size(), 2u);
    EXPECT_EQ(Requests(), (Calls{"DeviceIoControl(#1,0x2D0940,[1],1,out=0)"}));
}

TEST_F(NtDriveLock, LockingTwiceSendsNothingTheSecondTime) {
    Cdroms({'D', 'E'});
    LockAll(true, Selection{'D', 'E'});
    fakedrives::calls.clear();
    LockAll(true, Selection{'D', 'E'});
    EXPECT_TRUE(fakedrives::calls.empty());
}

TEST_F(NtDriveLock, ARefusedLockStillCountsAsHeldAndARefusedReleaseStillCloses) {
    Cdroms({'D'});
    fakedrives::script.requestsFail = true;
    LockAll(true, Selection{'D'});
    EXPECT_NE(driveHandles[3], InvalidDeviceHandle());
    LockAll(true, Selection{'D'});
    EXPECT_EQ(Requests().size(), 1u);  // not repeated
    LockAll(false, Selection{'D'});
    EXPECT_EQ(fakedrives::CallsStartingWith("CloseHandle"), (Calls{"CloseHandle(#1)"}));
    EXPECT_EQ(driveHandles[3], InvalidDeviceHandle());
}

TEST_F(NtDriveLock, ANewSelectionReleasesTheDroppedDriveKeepsTheKeptOneAndLocksTheNewOne) {
    Cdroms({'D', 'E', 'F'});
    LockAll(true, Selection{'D', 'E'});
    fakedrives::calls.clear();
    LockAll(true, Selection{'E', 'F'});
    EXPECT_EQ(fakedrives::calls,
              (Calls{"DeviceIoControl(#1,0x2D0940,[0],1,out=0)", "CloseHandle(#1)",
                     "GetDriveTypeA(F:\\)", "CreateFileA(\\\\.\\F:,0x80,3,3,0x0) -> #3",
                     "DeviceIoControl(#3,0x2D0940,[1],1,out=0)"}));
    EXPECT_EQ(driveHandles[3], InvalidDeviceHandle());
    EXPECT_EQ(driveHandles[4], reinterpret_cast<HANDLE>(2));
    EXPECT_EQ(driveHandles[5], reinterpret_cast<HANDLE>(3));
}

TEST_F(NtDriveLock, ReleasingWithNothingSelectedReleasesEverythingHeld) {
    Cdroms({'D', 'E'});
    LockAll(true, Selection{'D', 'E'});
    fakedrives::calls.clear();
    LockAll(false, Selection{});
    EXPECT_EQ(fakedrives::calls,
              (Calls{"DeviceIoControl(#1,0x2D0940,[0],1,out=0)", "CloseHandle(#1)",
                     "DeviceIoControl(#2,0x2D0940,[0],1,out=0)", "CloseHandle(#2)"}));
    EXPECT_TRUE(fakedrives::openHandles.empty());
}

TEST_F(NtDriveLock, ForceUnlockReleasesThroughASecondHandleAndKeepsTheRecord) {
    Cdroms({'D'});
    LockAll(true, Selection{'D'});
    fakedrives::calls.clear();
    ForceUnlock(true, Selection{'D'});
    EXPECT_EQ(fakedrives::calls,
              (Calls{"GetDriveTypeA(D:\\)", "CreateFileA(\\\\.\\D:,0x80,3,3,0x0) -> #2",
                     "DeviceIoControl(#2,0x2D0940,[0],1,out=0)", "CloseHandle(#2)"}));
    EXPECT_EQ(driveHandles[3], reinterpret_cast<HANDLE>(1));
    EXPECT_EQ(fakedrives::openHandles, (std::set<std::string>{"#1"}));

    fakedrives::calls.clear();
    LockAll(false, Selection{'D'});  // a second release, on the first handle
    EXPECT_EQ(fakedrives::calls,
              (Calls{"DeviceIoControl(#1,0x2D0940,[0],1,out=0)", "CloseHandle(#1)"}));
}

TEST_F(NtDriveLock, ForceUnlockIgnoresItsFirstArgumentAndSkipsOtherTypes) {
    Cdroms({'D'});
    fakedrives::script.driveTypes['C'] = 3;
    ForceUnlock(false, Selection{'C', 'D'});
    Calls first = fakedrives::calls;
    fakedrives::Reset();
    Cdroms({'D'});
    fakedrives::script.driveTypes['C'] = 3;
    ForceUnlock(true, Selection{'C', 'D'});
    EXPECT_EQ(fakedrives::calls, first);
    EXPECT_EQ(Requests(), (Calls{"DeviceIoControl(#1,0x2D0940,[0],1,out=0)"}));
    EXPECT_FALSE(driveTablesReady);  // ForceUnlock touches no table
}

// The ejection-control test picks the access right and the request.
TEST_F(DriveLockTest, EjectionControlChoosesAccessAndRequestOnEachVersion) {
    struct Case {
        uint32_t major, minor;
        const char* open;
        const char* request;
    } cases[] = {
        {5, 0, "CreateFileA(\\\\.\\D:,0x80000000,3,3,0x0) -> #1",
         "DeviceIoControl(#1,0x2D4804,[1],1,out=0)"},
        {5, 1, "CreateFileA(\\\\.\\D:,0x80,3,3,0x0) -> #1",
         "DeviceIoControl(#1,0x2D0940,[1],1,out=0)"},
        {5, 2, "CreateFileA(\\\\.\\D:,0x80,3,3,0x0) -> #1",
         "DeviceIoControl(#1,0x2D0940,[1],1,out=0)"},
        {6, 0, "CreateFileA(\\\\.\\D:,0x80000000,3,3,0x0) -> #1",
         "DeviceIoControl(#1,0x2D4804,[1],1,out=0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor);
        SetUp();
        UseVersion(2, c.major, c.minor);
        Cdroms({'D'});
        LockAll(true, Selection{'D'});
        EXPECT_EQ(Opens(), (Calls{c.open}));
        EXPECT_EQ(Requests(), (Calls{c.request}));
    }
}

// ---- doors held past their holder ----

// Windows 10 and 11 report 10.0 to a program that declares them in its
// manifest: the ejection-control test fails, and the media-removal request,
// whose lock the system keeps after its holder has ended, holds the doors.
class DoorsOutliveTheirHolder : public DriveLockTest {
protected:
    void SetUp() override {
        DriveLockTest::SetUp();
        UseVersion(2, 10, 0);
        Cdroms({'D', 'E', 'F'});
    }
    using Holder = fakedrives::Script::Holder;
    static std::map<char, Holder>& Record() { return fakedrives::script.doorRecord; }
};

TEST_F(DoorsOutliveTheirHolder, EachAcceptedLockIsRecordedUntilItsRelease) {
    fakedrives::script.refusedPaths.insert("\\\\.\\F:");
    LockAll(true, Selection{'D', 'E', 'F'});
    EXPECT_EQ(Record(), (std::map<char, Holder>{{'D', Holder::ThisProcess}, {'E', Holder::ThisProcess}}));
    LockAll(true, Selection{'E'});  // D dropped from the selection
    EXPECT_EQ(Record(), (std::map<char, Holder>{{'E', Holder::ThisProcess}}));
    LockAll(false, Selection{'E'});
    EXPECT_TRUE(Record().empty());

    // A refused lock or release: the door may be held, the record stays.
    fakedrives::script.requestsFail = true;
    LockAll(true, Selection{'D'});
    EXPECT_TRUE(Record().empty());
    fakedrives::script.requestsFail = false;
    LockAll(false, Selection{'D'});
    LockAll(true, Selection{'D'});
    fakedrives::script.requestsFail = true;
    LockAll(false, Selection{'D'});
    EXPECT_EQ(Record(), (std::map<char, Holder>{{'D', Holder::ThisProcess}}));
}

// The next start's release of every drive (the controller's first call)
// frees the doors a process that has ended left held, through devices of its
// own, once each, and leaves those of a holder that still runs (another
// session's controller) and those not selected; the locks it then takes are
// its own. ForceUnlock (the uninstaller) clears what it releases.
TEST_F(DoorsOutliveTheirHolder, DoorsLeftHeldByAnEndedRunAreReleasedByTheNextStart) {
    Record() = {{'D', Holder::EndedProcess}, {'E', Holder::RunningProcess}, {'F', Holder::EndedProcess}};
    LockAll(false, Selection{'D', 'E'});
    EXPECT_EQ(Requests(), (Calls{"DeviceIoControl(#1,0x2D4804,[0],1,out=0)"}));
    EXPECT_EQ(Opens(), (Calls{"CreateFileA(\\\\.\\D:,0x80000000,3,3,0x0) -> #1"}));
    EXPECT_TRUE(fakedrives::openHandles.empty());
    EXPECT_EQ(Record(), (std::map<char, Holder>{{'E', Holder::RunningProcess}, {'F', Holder::EndedProcess}}));
    LockAll(false, Selection{'D', 'E'});
    EXPECT_EQ(Requests().size(), 1u);  // released once

    fakedrives::calls.clear();
    LockAll(true, Selection{'D'});
    EXPECT_EQ(Requests(), (Calls{"DeviceIoControl(#2,0x2D4804,[1],1,out=0)"}));
    EXPECT_EQ(Record()['D'], Holder::ThisProcess);

    ForceUnlock(false, Selection{'F'});
    EXPECT_FALSE(Record().count('F'));
}

// Where the system lets go of a holder's doors itself (ejection control,
// Windows XP to 8.1), nothing is recorded.
TEST_F(DriveLockTest, EjectionControlNeedsNoRecord) {
    UseVersion(2, 6, 1);
    Cdroms({'D'});
    LockAll(true, Selection{'D'});
    EXPECT_EQ(Requests(), (Calls{"DeviceIoControl(#1,0x2D0940,[1],1,out=0)"}));
    EXPECT_TRUE(fakedrives::script.doorRecord.empty());
}

// ---- the older family ----

std::string LegacyRequest(int drive, const char* ecx, int op) {
    return "DeviceIoControl(#" + std::string("%") + ",0x1,EBX=" + std::to_string(drive) +
           ",ECX=" + ecx + ",EAX=0x440D,op=" + std::to_string(op) + ",Flags=1,28,28)";
}

// The log with the handle numbers replaced by %, for comparing sequences.
Calls WithoutHandleNumbers(Calls calls) {
    for (auto& c : calls) {
        auto hash = c.find('#');
        if (hash == std::string::npos) continue;
        auto end = c.find_first_not_of("0123456789", hash + 1);
        c.replace(hash + 1, end - hash - 1, "%");
    }
    return calls;
}

TEST_F(LegacyDriveLock, LockSendsOneRequestThroughTheDosServicesDevice) {
    Cdroms({'E'});
    LockAll(true, Selection{'E'});
    EXPECT_EQ(WithoutHandleNumbers(fakedrives::calls),
              (Calls{"GetDriveTypeA(E:\\)", "CreateFileA(\\\\.\\vwin32,0x0,0,0,0x4000000) -> #%",
                     LegacyRequest(5, "0x4848", 0), "CloseHandle(#%)"}));
    EXPECT_EQ(driveLockCounts[4], 1);
    EXPECT_EQ(driveHandles[4], InvalidDeviceHandle());
    EXPECT_TRUE(fakedrives::openHandles.empty());
}

TEST_F(LegacyDriveLock, LockStopsAtTheFirstSuccessfulRequest) {
    Cdroms({'D'});
    fakedrives::script.legacyAnswers = {{true, true}, {false, false}, {true, false}, {true, false}};
    LockAll(true, Selection{'D'});
    EXPECT_EQ(WithoutHandleNumbers(Requests()),
              (Calls{LegacyRequest(4, "0x4848", 0), LegacyRequest(4, "0x0848", 0),
                     LegacyRequest(4, "0x4848", 0)}));
    EXPECT_EQ(driveLockCounts[3], 1);
}

TEST_F(LegacyDriveLock, AFailedLockLeavesTheDriveReleasedAndIsTriedAgain) {
    Cdroms({'D'});
    fakedrives::script.legacyAnswers = {{true, true}, {true, true}, {true, true}, {true, true}};
    LockAll(true, Selection{'D'});
    EXPECT_EQ(Requests().size(), 4u);
    EXPECT_EQ(driveLockCounts[3], 0);
    LockAll(true, Selection{'D'});
    EXPECT_EQ(Requests().size(), 5u);  // tried again, first request now succeeds
    EXPECT_EQ(driveLockCounts[3], 1);
}

TEST_F(LegacyDriveLock, UnlockAlwaysSendsAllFourRequests) {
    Cdroms({'D'});
    LockAll(true, Selection{'D'});
    fakedrives::calls.clear();
    LockAll(false, Selection{'D'});
    EXPECT_EQ(WithoutHandleNumbers(Requests()),
              (Calls{LegacyRequest(4, "0x4848", 1), LegacyRequest(4, "0x0848", 1),
                     LegacyRequest(4, "0x4848", 1), LegacyRequest(4, "0x0848", 1)}));
    EXPECT_EQ(driveLockCounts[3], 0);
}

// A refused request is a failure, whatever the request before it left in the
// register block: the carry bit is set afresh before each one.
TEST_F(LegacyDriveLock, ARefusedRequestIsNeverJudgedByThePreviousOne) {
    Cdroms({'D'});
    LockAll(true, Selection{'D'});
    fakedrives::script.legacyAnswers = {
        {true, false}, {true, false}, {true, false}, {false, false}};
    LockAll(false, Selection{'D'});
    EXPECT_EQ(driveLockCounts[3], 1);  // the last request was refused: still held
    LockAll(false, Selection{'D'});    // so the next release tries again
    EXPECT_EQ(driveLockCounts[3], 0);

    fakedrives::script.legacyAnswers = {
        {false, false}, {false, false}, {false, false}, {false, false}};
    LockAll(true, Selection{'D'});
    EXPECT_EQ(driveLockCounts[3], 0);
}

TEST_F(LegacyDriveLock, ANewSelectionKeepsTheDroppedDriveLocked) {
    Cdroms({'D', 'E', 'F'});
    LockAll(true, Selection{'D', 'E'});
    fakedrives::calls.clear();
    LockAll(true, Selection{'E', 'F'});
    EXPECT_EQ(WithoutHandleNumbers(Requests()), (Calls{LegacyRequest(6, "0x4848", 0)}));
    EXPECT_EQ(driveLockCounts[3], 1);
    EXPECT_EQ(driveLockCounts[4], 1);
    EXPECT_EQ(driveLockCounts[5], 1);

    fakedrives::calls.clear();
    LockAll(false, Selection{});  // an empty release lets nothing go
    EXPECT_TRUE(fakedrives::calls.empty());
    EXPECT_EQ(driveLockCounts[3], 1);
}

TEST_F(LegacyDriveLock, SkipsOtherTypesAndForceUnlockDoesNothing) {
    fakedrives::script.driveTypes['C'] = 3;
    LockAll(true, Selection{'C', 'Q'});
    EXPECT_EQ(fakedrives::calls, (Calls{"GetDriveTypeA(C:\\)", "GetDriveTypeA(Q:\\)"}));
    Cdroms({'D'});
    fakedrives::calls.clear();
    ForceUnlock(true, Selection{'D'});
    EXPECT_EQ(fakedrives::calls, (Calls{"GetDriveTypeA(D:\\)"}));
}

}  // namespace
