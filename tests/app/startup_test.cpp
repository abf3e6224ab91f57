#include <gtest/gtest.h>

#include "controller.h"
#include "fake_platform.h"
#include "random.h"
#include "settings.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        options = defaultOptions;
    }
};

TEST(CommandLine, ShortTextsStartNormally) {
    for (const char* text : {"", "install", "install ", "whatever"})
        EXPECT_EQ(ParseCommandLine(text, nullptr), CommandLineAction::NormalStart) << text;
}

TEST(CommandLine, InstallAndAnyEighthCharacterHandOver) {
    const char* folder = nullptr;
    EXPECT_EQ(ParseCommandLine("install X:\\folder", &folder), CommandLineAction::HandOver);
    EXPECT_STREQ(folder, "X:\\folder");
    EXPECT_EQ(ParseCommandLine("install-C:\\x", &folder), CommandLineAction::HandOver);
    EXPECT_STREQ(folder, "C:\\x");
    EXPECT_EQ(ParseCommandLine("installs", &folder), CommandLineAction::NormalStart);  // 8 characters
    EXPECT_EQ(ParseCommandLine("Install C:\\x", &folder), CommandLineAction::Quit);     // case-sensitive
    EXPECT_EQ(ParseCommandLine("--something-long", &folder), CommandLineAction::Quit);
}

TEST_F(StartupTest, HandOverStartsTheProgramInTheFolderAndNothingElse) {
    EXPECT_EQ(RunController(nullptr, "install C:\\Program Files\\Bumblepad"), 0);
    EXPECT_EQ(fake::calls, std::vector<std::string>{"CreateProcessA(Bumblepad.exe,C:\\Program Files\\Bumblepad)"});
}

TEST_F(StartupTest, AnotherLongTextEndsSilently) {
    EXPECT_EQ(RunController(nullptr, "/unknown-switch"), 0);
    EXPECT_TRUE(fake::calls.empty());
}

TEST_F(StartupTest, ASecondInstanceIsRefused) {
    fake::script.mutexExists = true;
    EXPECT_EQ(RunController(nullptr, ""), 0);
    EXPECT_EQ(fake::calls, (std::vector<std::string>{"CreateMutexA(Bumblepad_Prev_App_Instance_Mutex)",
                                                     "MessageBoxA(Bumblepad is already started,Error,0x30)"}));
}

TEST_F(StartupTest, AnInstanceGuardThatCannotBeMadeRefusesTheStart) {
    fake::script.mutexFails = true;
    EXPECT_EQ(RunController(nullptr, ""), 0);
    EXPECT_EQ(fake::calls, (std::vector<std::string>{"CreateMutexA(Bumblepad_Prev_App_Instance_Mutex)",
                                                     "MessageBoxA(Bumblepad could not make sure that it runs only once "
                                                     "(its folder belongs to another user), so it does not start.,"
                                                     "Error,0x30)"}));
}

TEST_F(StartupTest, AMissingSettingsKeyIsARegistryError) {
    fake::script.settingsKeyExists = false;
    EXPECT_EQ(RunController(nullptr, ""), 0);
    EXPECT_EQ(fake::calls.back(), "MessageBoxA(Registry error. Please reinstall Bumblepad.,Error,0x30)");
    EXPECT_TRUE(fake::CallsStartingWith("CreateWindowExA").empty());
}

TEST_F(StartupTest, NormalRunFollowsTheStartAndExitOrder) {
    fake::script.calendarSeconds = 1700000000;
    EXPECT_EQ(RunController(reinterpret_cast<void*>(0x400000), "install"), 0);
    std::vector<std::string> expected = {
        "CreateMutexA(Bumblepad_Prev_App_Instance_Mutex)",
        "GetVersionExA(148)",
        "RegOpenKeyExA(HKLM,Software\\Bumblepad,0,0x1)",
        "RegQueryValueExA(Options,60)",
        "RegCloseKey",
        "CreateWindowExA(Bumblepad)",
        "RegisterWindowMessageA(TaskbarCreated)",
        "ReleaseDoorsLeftHeld",
        "RestorePowerButtonsLeftChanged",
        "LockAll(1,ABCDEFGHIJKLMNOPQRSTUVWXYZ)",
        "ReadGlobalPwrPolicy(192)",
        "GetActivePwrScheme",
        "WriteGlobalPwrPolicy(working)",
        "SetActivePwrScheme(3,none,none)",
        "KeyboardHookRepeat(0)",
        "InstallInputTracker",
        "SetTimer(1,5000)",
        "Shell_NotifyIconA(0,88,1,7,0x8001,104,Bumblepad)",
        "MessageLoop",
        "RemoveInputTracker",
        "Shell_NotifyIconA(2,88,1,7,0x8001,104,Bumblepad)",
        "RegOpenKeyExA(HKLM,Software\\Bumblepad,0,0x2)",
        "RegSetValueExA(Options,REG_BINARY,60)",
        "RegCloseKey",
    };
    EXPECT_EQ(fake::calls, expected);
    EXPECT_EQ(appInstance, reinterpret_cast<void*>(0x400000));
    EXPECT_EQ(randomState, 1700000000u);  // seeded with the calendar seconds
    EXPECT_EQ(fake::script.values["Options"].size(), 60u);  // defaults written at exit
}

TEST_F(StartupTest, SwitchesOffSkipTheDriveLock) {
    OptionsBlock stored = defaultOptions;
    stored.lockDriveDoors = false;
    stored.keyRepeat = true;
    auto* p = reinterpret_cast<const uint8_t*>(&stored);
    fake::script.values["Options"].assign(p, p + 60);
    RunController(nullptr, "");
    EXPECT_TRUE(fake::CallsStartingWith("LockAll").empty());
    EXPECT_EQ(fake::CallsStartingWith("KeyboardHookRepeat"), std::vector<std::string>{"KeyboardHookRepeat(1)"});
}

TEST_F(StartupTest, AWindowThatCannotBeMadeEndsTheProgramWithAMessage) {
    fake::script.windowCreationFails = true;
    EXPECT_EQ(RunController(nullptr, ""), 0);
    EXPECT_EQ(fake::calls.back(), "MessageBoxA(Bumblepad could not create its window.,Error,0x30)");
    EXPECT_TRUE(fake::CallsStartingWith("MessageLoop").empty());
    EXPECT_TRUE(fake::CallsStartingWith("RegSetValueExA").empty());
}

TEST(Random, DrawsFollowTheLinearCongruentialRule) {
    SeedRandom(0);
    EXPECT_EQ(NextRandom(), 38);     // (2531011 >> 16) & 0x7FFF
    EXPECT_EQ(NextRandom(), 7719);
    EXPECT_EQ(NextRandom(), 21238);
    SeedRandom(1);
    EXPECT_EQ(NextRandom(), 41);
    EXPECT_EQ(NextRandom(), 18467);
    EXPECT_EQ(NextRandom(), 6334);
    SeedRandom(0xFFFFFFFFu);  // wraps modulo 2^32
    int value = NextRandom();
    EXPECT_GE(value, 0);
    EXPECT_LE(value, 32767);
    EXPECT_EQ(randomState, 0xFFFFFFFFu * 214013u + 2531011u);
}

}  // namespace
