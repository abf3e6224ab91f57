// The Linux drive-door layer against fake device nodes: a temporary folder
// stands in for /dev and /sys/block, and the door ioctl is recorded (or, where
// said, the real ioctl runs on a plain file and is refused by the kernel).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cerrno>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "drive_doors_linux.h"
#include "drive_linux.h"
#include "drive_lock.h"
#include "drive_port.h"

namespace fs = std::filesystem;
using drivelinux::DriveKind;

namespace {

struct IoctlCall {
    std::string path;
    unsigned long request;
    unsigned long arg;
    bool operator==(const IoctlCall& o) const {
        return path == o.path && request == o.request && arg == o.arg;
    }
};
std::vector<IoctlCall> ioctlCalls;
std::set<std::string> refusingDevices;  // the recorded ioctl fails on these
std::vector<std::string> recordAtLastLock;  // the record as the last door lock request arrived

std::string PathOfFd(int fd) {
    return fs::read_symlink("/proc/self/fd/" + std::to_string(fd)).string();
}

// How many descriptors of this process have path open.
int OpenersOf(const std::string& path) {
    int count = 0;
    for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(e.path(), error).string() == path) ++count;
    }
    return count;
}

// Answers as the kernel does for an ordinary user: a CD-ROM door is unlocked
// only by its one opener (EBUSY while the device is open more than once).
int RecordingIoctl(int fd, unsigned long request, unsigned long arg) {
    std::string path = PathOfFd(fd);
    ioctlCalls.push_back({path, request, arg});
    if (request == drivelinux::CdromLockDoorRequest() && arg == 1) recordAtLastLock = drivelinux::RecordedDrives();
    if (request == drivelinux::CdromLockDoorRequest() && arg == 0 && OpenersOf(path) > 1) {
        errno = EBUSY;
        return -1;
    }
    return refusingDevices.count(path) ? -1 : 0;
}

std::ostream& operator<<(std::ostream& os, const IoctlCall& c) {
    return os << c.path << " req=0x" << std::hex << c.request << std::dec << " arg=" << c.arg;
}

class LinuxDrives : public testing::Test {
    protected:
    fs::path root;
    std::string dev, sys, state;

    void SetUp() override {
        char pattern[] = "/tmp/drive-linux-test-XXXXXX";
        root = mkdtemp(pattern);
        dev = (root / "dev").string();
        sys = (root / "sys" / "block").string();
        state = (root / "run" / "bumblepad-drive-doors").string();
        fs::create_directories(dev);
        fs::create_directories(sys);
        fs::create_directories(root / "run");
        // Two optical drives, a fixed disk, a card reader, a stick, a loop device.
        Node("sr0", -1, true);
        Node("sr1", -1, true);
        Node("vda", 0, true);
        Node("sdb", 1, true);
        Node("sdc", 1, true);
        Node("loop0", 0, true);
        drivelinux::environment() = drivelinux::Environment{dev, sys, state, RecordingIoctl};
        ioctlCalls.clear();
        refusingDevices.clear();
        driveTablesReady = false;
    }
    void TearDown() override {
        bool none[26] = {};
        LockAll(false, none);  // close whatever a test left held
        drivelinux::environment() = drivelinux::Environment{};
        fs::remove_all(root);
    }
    // A block device in the fake sysfs (removable -1: no attribute written)
    // and, if withNode, its device node.
    void Node(const std::string& name, int removable, bool withNode) {
        fs::create_directories(fs::path(sys) / name);
        if (removable >= 0) std::ofstream(fs::path(sys) / name / "removable") << removable << "\n";
        if (withNode) std::ofstream(fs::path(dev) / name) << "";
    }
    std::string DevPath(const std::string& name) { return dev + "/" + name; }
    static void Select(bool (&drives)[26], std::initializer_list<char> letters) {
        for (auto& d : drives) d = false;
        for (char c : letters) drives[c - 'A'] = true;
    }
    std::vector<std::string> Recorded() { return drivelinux::RecordedDrives(); }
    static size_t OpenFdCount() {
        return static_cast<size_t>(
            std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
    }
};

TEST_F(LinuxDrives, LettersMapToOpticalDrivesFromDAndRemovableDisksFromN) {
    struct Case {
        char letter;
        DriveKind kind;
        std::string name;
        uint32_t type;
    } cases[] = {
        {'A', DriveKind::None, "", 1},         {'C', DriveKind::None, "", 1},
        {'D', DriveKind::Optical, "sr0", 5},   {'E', DriveKind::Optical, "sr1", 5},
        {'F', DriveKind::None, "", 1},         {'M', DriveKind::None, "", 1},
        {'N', DriveKind::Removable, "sdb", 2}, {'O', DriveKind::Removable, "sdc", 2},
        {'P', DriveKind::None, "", 1},         {'Z', DriveKind::None, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.letter);
        auto device = drivelinux::DeviceForLetter(c.letter);
        EXPECT_EQ(device.kind, c.kind);
        EXPECT_EQ(device.path, c.name.empty() ? "" : DevPath(c.name));
        char root[4] = {c.letter, ':', '\\', 0};
        EXPECT_EQ(DriveTypeOf(root), c.type);
        char buffer[64];
        EXPECT_EQ(DriveDevicePath(c.letter - 'A', buffer, sizeof buffer), !c.name.empty());
        EXPECT_EQ(std::string(buffer), c.name.empty() ? "" : DevPath(c.name));
    }
    // Plugging in another card reader never moves an optical drive's letter.
    Node("sda", 1, true);
    EXPECT_EQ(drivelinux::DeviceForLetter('D').path, DevPath("sr0"));
    EXPECT_EQ(drivelinux::DeviceForLetter('N').path, DevPath("sda"));
}

TEST_F(LinuxDrives, LockAllHoldsBothKindsAndRecordsTheOpticalDrive) {
    bool drives[26];
    Select(drives, {'C', 'D', 'N'});
    const size_t fdsBefore = OpenFdCount();
    LockAll(true, drives);
    EXPECT_EQ(ioctlCalls,
              (std::vector<IoctlCall>{{DevPath("sr0"), drivelinux::CdromLockDoorRequest(), 1},
                                      {DevPath("sdb"), drivelinux::ScsiDoorLockRequest(), 0}}));
    EXPECT_EQ(Recorded(), (std::vector<std::string>{DevPath("sr0")}));
    EXPECT_EQ(OpenFdCount(), fdsBefore + 2);  // both devices stay open while held

    LockAll(true, drives);  // nothing new
    EXPECT_EQ(ioctlCalls.size(), 2u);

    ioctlCalls.clear();
    Select(drives, {});
    LockAll(false, drives);
    EXPECT_EQ(ioctlCalls,
              (std::vector<IoctlCall>{{DevPath("sr0"), drivelinux::CdromLockDoorRequest(), 0},
                                      {DevPath("sdb"), drivelinux::ScsiDoorUnlockRequest(), 0}}));
    EXPECT_TRUE(Recorded().empty());
    EXPECT_FALSE(fs::exists(state));
    EXPECT_EQ(OpenFdCount(), fdsBefore);
}

TEST_F(LinuxDrives, ADoorIsRecordedBeforeItIsLockedSoThatAKillInBetweenLeavesNoUnknownLock) {
    bool drives[26];
    Select(drives, {'D'});
    recordAtLastLock.clear();
    LockAll(true, drives);
    EXPECT_EQ(recordAtLastLock, (std::vector<std::string>{DevPath("sr0")}));
    // One the kernel refuses is forgotten again; one recorded before stays.
    refusingDevices.insert(DevPath("sr1"));
    Select(drives, {'D', 'E'});
    LockAll(true, drives);
    EXPECT_EQ(Recorded(), (std::vector<std::string>{DevPath("sr0")}));
}

TEST_F(LinuxDrives, ADeviceThatCannotBeOpenedStaysReleased) {
    fs::remove(DevPath("sr1"));  // in sysfs, but no node to open
    bool drives[26];
    Select(drives, {'E'});
    LockAll(true, drives);
    EXPECT_TRUE(ioctlCalls.empty());
    EXPECT_EQ(driveHandles[4], InvalidDeviceHandle());
    EXPECT_TRUE(Recorded().empty());
}

TEST_F(LinuxDrives, ADoorTheKernelRefusesToLockIsNotRecorded) {
    drivelinux::environment().doorIoctl = nullptr;  // the real ioctl, on a plain file
    bool drives[26];
    Select(drives, {'D', 'N'});
    LockAll(true, drives);
    EXPECT_TRUE(Recorded().empty());
    Select(drives, {});
    LockAll(false, drives);
    EXPECT_EQ(driveHandles[3], InvalidDeviceHandle());
}

TEST_F(LinuxDrives, ARefusedReleaseStaysRecordedForTheNextStart) {
    bool drives[26];
    Select(drives, {'D'});
    LockAll(true, drives);
    refusingDevices.insert(DevPath("sr0"));  // another opener holds it, say
    LockAll(false, drives);
    EXPECT_EQ(Recorded(), (std::vector<std::string>{DevPath("sr0")}));
}

TEST_F(LinuxDrives, ForceUnlockReleasesADoorNobodyHasOpenButNotOneThatIsHeld) {
    // A door an earlier run left locked: nobody has it open, so the fresh
    // device is its one opener and the kernel lets it go.
    std::ofstream(state) << DevPath("sr1") << "\n";
    bool drives[26];
    Select(drives, {'E'});
    ForceUnlock(false, drives);
    EXPECT_EQ(ioctlCalls, (std::vector<IoctlCall>{{DevPath("sr1"), drivelinux::CdromLockDoorRequest(), 0}}));
    EXPECT_TRUE(Recorded().empty());

    // A door LockAll holds: the second open makes two openers, the kernel
    // answers EBUSY (unless the caller is privileged); the door stays locked,
    // recorded, and LockAll's device stays open.
    Select(drives, {'D'});
    LockAll(true, drives);
    const int heldFd = static_cast<int>(reinterpret_cast<intptr_t>(driveHandles[3]));
    ioctlCalls.clear();
    ForceUnlock(false, drives);
    ASSERT_EQ(ioctlCalls.size(), 1u);
    EXPECT_EQ(ioctlCalls[0], (IoctlCall{DevPath("sr0"), drivelinux::CdromLockDoorRequest(), 0}));
    EXPECT_EQ(Recorded(), (std::vector<std::string>{DevPath("sr0")}));
    EXPECT_EQ(PathOfFd(heldFd), DevPath("sr0"));
}

TEST_F(LinuxDrives, ReleaseRecordedDrivesLetsGoOfWhatAnEarlierRunLeftLocked) {
    const std::string gone = dev + "/sr7";
    std::ofstream(state) << DevPath("sr0") << "\n" << gone << "\n" << DevPath("sr1") << "\n";
    refusingDevices.insert(DevPath("sr1"));
    ReleaseRecordedDrives();
    EXPECT_EQ(ioctlCalls,
              (std::vector<IoctlCall>{{DevPath("sr0"), drivelinux::CdromLockDoorRequest(), 0},
                                      {DevPath("sr1"), drivelinux::CdromLockDoorRequest(), 0}}));
    EXPECT_EQ(Recorded(),
              (std::vector<std::string>{DevPath("sr1")}));  // refused: tried again next time

    refusingDevices.clear();
    ReleaseRecordedDrives();
    EXPECT_FALSE(fs::exists(state));
    ioctlCalls.clear();
    ReleaseRecordedDrives();  // nothing recorded: nothing done
    EXPECT_TRUE(ioctlCalls.empty());
}

TEST_F(LinuxDrives, TheRecordLivesInTheStateFolderWhichSurvivesALogOut) {
    drivelinux::environment().stateFile.clear();
    const char* old = std::getenv("XDG_STATE_HOME");
    std::string saved = old ? old : "";
    setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    EXPECT_EQ(drivelinux::StateFilePath(), (root / "state" / "Bumblepad" / "drive-doors").string());
    EXPECT_EQ(fs::status(root / "state" / "Bumblepad").permissions() & fs::perms::all, fs::perms::owner_all);
    // A link planted in place of the record is neither read nor written through.
    fs::create_symlink(root / "elsewhere", root / "state" / "Bumblepad" / "drive-doors");
    std::ofstream(root / "elsewhere") << DevPath("sr0") << "\n";
    EXPECT_TRUE(Recorded().empty());
    bool drives[26];
    Select(drives, {'D'});
    LockAll(true, drives);
    EXPECT_EQ(Recorded(), (std::vector<std::string>{DevPath("sr0")}));
    std::ifstream elsewhere(root / "elsewhere");
    std::string line;
    std::getline(elsewhere, line);
    EXPECT_EQ(line, DevPath("sr0")) << "the link's target is untouched";
    if (old)
        setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}

}  // namespace
