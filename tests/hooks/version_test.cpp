#include <gtest/gtest.h>

#include "fake_hooks.h"
#include "os_version.h"
#include "shared_state.h"

namespace {


struct Expectation {
    uint32_t platform, major, minor;
    bool nt, lastInput, ejection, fullMenu;
};

TEST(VersionTests, DecideThePathsForEachKnownVersion) {
    const Expectation table[] = {
        {2, 4, 0, true, false, false, false},   // NT 4.0
        {2, 5, 0, true, true, false, false},    // 5.0
        {2, 5, 1, true, true, true, true},      // 5.1
        {2, 5, 2, true, true, true, true},      // 5.2
        {2, 6, 0, true, true, false, false},    // 6.0
        {2, 6, 1, true, true, true, true},      // 6.1
        {2, 6, 3, true, true, true, true},      // 6.3
        {1, 4, 10, false, false, false, false}, // the older family
        {0, 3, 10, false, false, false, false}, // Win32s
        {1, 5, 1, false, false, true, false},   // older family with a high number: ejection test is numbers only
    };
    for (const auto& e : table) {
        OsVersionInfo v = VersionRecord(e.platform, e.major, e.minor);
        SCOPED_TRACE(testing::Message() << e.platform << " " << e.major << "." << e.minor);
        EXPECT_EQ(IsNtFamily(v), e.nt);
        EXPECT_EQ(HasLastInputService(v), e.lastInput);
        EXPECT_EQ(HasEjectionControl(v), e.ejection);
        EXPECT_EQ(UsesFullTrayMenu(v), e.fullMenu);
        EXPECT_EQ(OptionsDialogTemplate(v), e.nt ? 103 : 106);
    }
}

TEST(ProcessAttach, StoresTheModuleAndReadsTheVersionRecord) {
    fakehooks::version = VersionRecord(2, 5, 2);
    int module;
    OnProcessAttach(&module);
    EXPECT_EQ(moduleInstance, &module);
    EXPECT_EQ(versionInfo.dwOSVersionInfoSize, 148u);
    EXPECT_EQ(versionInfo.dwMinorVersion, 2u);
}

TEST(SharedState, StartsWithItsInitialValues) {
    EXPECT_EQ(lastInputTime, 0u);
    EXPECT_EQ(wheelCount, 0u);
    EXPECT_TRUE(repeatKeys);  // repeated key-downs are reported before any switch
    EXPECT_EQ(reportWindow, nullptr);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(keyDownTable[i], 0);
}

}  // namespace
