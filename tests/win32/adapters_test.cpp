// The Windows adapters against the real API, run under 64-bit Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "mutex_port.h"
#include "os_version.h"
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

}  // namespace
