// The Windows adapters against the real API, run under 64-bit Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "mutex_port.h"
#include "os_version.h"
#include "power_port.h"
#include "registry_port.h"
#include "settings.h"

namespace {

std::string BinDir() {
    const char* bin = std::getenv("BUMBLEPAD_BIN");
    if (bin && *bin) return bin;
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of("\\/"));
}

// Runs a program, optionally keeping its standard input open; returns what
// it printed on its first line.
struct Child {
    PROCESS_INFORMATION process{};
    HANDLE input = nullptr, output = nullptr;

    explicit Child(const std::string& commandLine) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE inRead, outWrite;
        CreatePipe(&inRead, &input, &inherit, 0);
        CreatePipe(&output, &outWrite, &inherit, 0);
        SetHandleInformation(input, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = inRead;
        startup.hStdOutput = outWrite;
        startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        std::string line = commandLine;
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, BinDir().c_str(), &startup,
                       &process);
        CloseHandle(inRead);
        CloseHandle(outWrite);
    }
    std::string ReadLine() {
        std::string text;
        char c;
        DWORD got;
        while (ReadFile(output, &c, 1, &got, nullptr) && got == 1 && c != '\n') text += c;
        while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.pop_back();
        return text;
    }
    ~Child() {
        CloseHandle(input);
        WaitForSingleObject(process.hProcess, 20000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        CloseHandle(output);
    }
};

std::string Probe(const std::string& arguments) {
    Child child("\"" + BinDir() + "\\win32_probe.exe\" " + arguments);
    return child.ReadLine();
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Bumblepad");
        options = defaultOptions;
    }
    void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Bumblepad"); }
};

TEST_F(RegistryTest, NoKeyNoStart) {
    EXPECT_FALSE(LoadOptions());
}

TEST_F(RegistryTest, SettingsAreOneSixtyByteBinaryValue) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Bumblepad", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(LoadOptions());  // no value yet: defaults
    EXPECT_EQ(std::memcmp(&options, &defaultOptions, 60), 0);
    options.autoLockMs = 300000;
    SaveOptions();
    BYTE data[80];
    DWORD type = 0, size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(key, "Options", nullptr, &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 60u);
    EXPECT_EQ(data[32], 0xE0);
    EXPECT_EQ(data[33], 0x93);
    EXPECT_EQ(data[34], 0x04);

    // A 61-byte value is refused by the 60-byte query: defaults.
    BYTE longer[61] = {0x7A};
    RegSetValueExA(key, "Options", 0, REG_BINARY, longer, sizeof longer);
    options.autoLockMs = 1;
    ASSERT_TRUE(LoadOptions());
    EXPECT_EQ(options.autoLockMs, 0u);

    // A 40-byte value fills only the front.
    BYTE shorter[40] = {0x7A};
    shorter[38] = 'x';
    shorter[39] = 'y';
    RegSetValueExA(key, "Options", 0, REG_BINARY, shorter, sizeof shorter);
    ASSERT_TRUE(LoadOptions());
    EXPECT_STREQ(options.unlockWord, "xyen");
    EXPECT_FALSE(options.lockDrive[0]);
    RegCloseKey(key);
}

// The rights a handle was granted, as the system keeps them for it
// (NtQueryObject, ObjectBasicInformation).
ACCESS_MASK GrantedAccess(HANDLE handle) {
    struct BasicInformation {
        ULONG attributes;
        ACCESS_MASK grantedAccess;
        ULONG counts[12];
    } information{};
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    ULONG size = 0;
    if (!query || query(handle, 0, &information, sizeof information, &size) != 0) return ~0u;
    return information.grantedAccess;
}

// The installer grants the users of the machine query and set-value on the
// key, nothing more; each use of the key must ask for no other right, or it
// fails for them (Wine grants whatever is asked, so the handle's rights are
// checked instead).
TEST_F(RegistryTest, EachUseAsksOnlyForTheRightsTheUsersHave) {
    HKEY created;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Bumblepad", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);
    const struct {
        KeyAccess access;
        ACCESS_MASK rights;
    } uses[] = {{KeyAccess::Query, KEY_QUERY_VALUE},
                {KeyAccess::SetValue, KEY_SET_VALUE},
                {KeyAccess::Both, KEY_QUERY_VALUE | KEY_SET_VALUE}};
    for (const auto& use : uses) {
        RegistryKey key = OpenMachineKey(kSettingsKey, use.access);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(GrantedAccess(key), use.rights) << static_cast<int>(use.access);
        CloseKey(key);
    }
}

TEST(NamedMutex, ASecondCreationReportsThatItExists) {
    EXPECT_EQ(OpenNamedMutex("BumblepadTestMutex"), nullptr);
    EXPECT_FALSE(CreateNamedMutex("BumblepadTestMutex"));
    EXPECT_TRUE(CreateNamedMutex("BumblepadTestMutex"));
    MutexHandle handle = OpenNamedMutex("BumblepadTestMutex");
    EXPECT_NE(handle, nullptr);
    CloseMutex(handle);
}

// Wine reports the version named under HKCU\Software\Wine "Version".
class VersionTest : public ::testing::Test {
protected:
    void SetUp() override { RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr); }
    void TearDown() override {
        RegDeleteValueA(key_, "Version");
        RegCloseKey(key_);
    }
    std::string With(const char* version) {
        RegSetValueExA(key_, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                       static_cast<DWORD>(strlen(version) + 1));
        RegFlushKey(key_);
        return Probe("version");
    }
    HKEY key_ = nullptr;
};

TEST_F(VersionTest, TheRecordDrivesTheTests) {
    struct Case {
        const char* wine;
        const char* record;
        bool ejection;
        bool fullMenu;
    } cases[] = {
        {"win2k", "2 5 0", false, false}, {"winxp64", "2 5 2", true, true}, {"vista", "2 6 0", false, false},
        {"win7", "2 6 1", true, true},    {"win81", "2 6 2", true, true},  // 8.1 reports 6.2 to a program without a manifest
    };
    for (const auto& c : cases) {
        std::string record = With(c.wine);
        EXPECT_EQ(record, c.record) << c.wine;
        OsVersionInfo info;
        sscanf(record.c_str(), "%u %u %u", &info.dwPlatformId, &info.dwMajorVersion, &info.dwMinorVersion);
        EXPECT_TRUE(IsNtFamily(info));
        EXPECT_TRUE(HasLastInputService(info));
        EXPECT_EQ(HasEjectionControl(info), c.ejection) << c.wine;
        EXPECT_EQ(UsesFullTrayMenu(info), c.fullMenu) << c.wine;
    }
}

TEST(SharedSection, OneCopyForEveryProcess) {
    // Alone, the section holds its initial values: only repeatKeys is non-zero.
    EXPECT_EQ(Probe("shared-bytes"), "1");
    {
        Child holder("\"" + BinDir() + "\\win32_probe.exe\" hold-repeat 0");
        ASSERT_EQ(holder.ReadLine(), "ready");
        // Another process sees the switch that the first one made.
        EXPECT_EQ(Probe("shared-bytes"), "0");
    }
}

// The hooks load Hookwell into other programs, whose new threads must keep
// the 53-bit precision the system gives them: nothing in the library resets
// the x87 of its host.
TEST(HookLibraryHost, NewThreadsKeepTheirPrecision) { EXPECT_EQ(Probe("thread-precision"), "53"); }

// The power record of a controller that ended without its clean-up is the
// value "PowerButtons" of the settings key: the id of the process that made
// it and the policy before. A record whose maker has ended is handed to the
// next start; one whose maker still runs (another session's controller) is
// neither handed over, nor replaced, nor removed.
class PowerRecordTest : public RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Bumblepad", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr);
    }
    void TearDown() override {
        RegCloseKey(key_);
        RegistryTest::TearDown();
    }
    // Writes the record as made by process id.
    void MadeBy(DWORD id, const GlobalPowerPolicy& before) {
        BYTE record[196];
        std::memcpy(record, &id, 4);
        std::memcpy(record + 4, &before, sizeof before);
        RegSetValueExA(key_, "PowerButtons", 0, REG_BINARY, record, sizeof record);
    }
    DWORD Maker() {
        BYTE record[196] = {};
        DWORD size = sizeof record;
        if (RegQueryValueExA(key_, "PowerButtons", nullptr, nullptr, record, &size) != ERROR_SUCCESS) return 0;
        DWORD id;
        std::memcpy(&id, record, 4);
        return id;
    }
    static GlobalPowerPolicy Policy(uint8_t fill) {
        GlobalPowerPolicy policy;
        std::memset(&policy, fill, sizeof policy);
        return policy;
    }
    HKEY key_ = nullptr;
};

TEST_F(PowerRecordTest, OnlyTheRecordOfAnEndedRunIsHandedOnAndRemoved) {
    GlobalPowerPolicy found;
    EXPECT_FALSE(PowerRecordLeft(found));
    KeepPowerRecord(Policy(0x11));
    EXPECT_EQ(Maker(), GetCurrentProcessId());
    EXPECT_FALSE(PowerRecordLeft(found));  // this run's own

    DWORD ended = 0;
    {
        Child child("\"" + BinDir() + "\\win32_probe.exe\" version");
        child.ReadLine();
        ended = child.process.dwProcessId;
    }  // waited for
    const GlobalPowerPolicy before = Policy(0x22);
    MadeBy(ended, before);
    ASSERT_TRUE(PowerRecordLeft(found));
    EXPECT_EQ(std::memcmp(&found, &before, sizeof found), 0);
    DropPowerRecord();
    EXPECT_EQ(Maker(), 0u);

    Child running("\"" + BinDir() + "\\win32_probe.exe\" hold-repeat 1");
    ASSERT_EQ(running.ReadLine(), "ready");
    MadeBy(running.process.dwProcessId, Policy(0x33));
    EXPECT_FALSE(PowerRecordLeft(found));
    KeepPowerRecord(Policy(0x44));
    DropPowerRecord();
    EXPECT_EQ(Maker(), running.process.dwProcessId);
    RegDeleteValueA(key_, "PowerButtons");
}

}  // namespace
