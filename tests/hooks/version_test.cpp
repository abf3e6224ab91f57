#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

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

// The shared variables' bytes as the program starts, read before any test
// runs (they are constant-initialised, so this dynamic initialiser sees their
// initial values, whatever the tests in this process change later).
std::vector<std::vector<uint8_t>> SharedBytes() {
    auto bytes = [](const void* at, size_t size) {
        const auto* p = static_cast<const uint8_t*>(at);
        return std::vector<uint8_t>(p, p + size);
    };
    return {bytes(&lastInputTime, sizeof lastInputTime),         bytes(&trackerKeyboardHook, sizeof(HHOOK)),
            bytes(&trackerMouseHook, sizeof(HHOOK)),             bytes(&lockKeyboardHook, sizeof(HHOOK)),
            bytes(&lockMouseHook, sizeof(HHOOK)),                bytes(&reportWindow, sizeof(HWND)),
            bytes(&wheelCount, sizeof wheelCount),               bytes(&lastMousePoint, sizeof lastMousePoint),
            bytes(keyDownTable, sizeof keyDownTable),            bytes(&repeatKeys, sizeof repeatKeys),
            bytes(&screenSaverState, sizeof screenSaverState)};
}
const std::vector<std::vector<uint8_t>> initialShared = SharedBytes();

TEST(SharedState, AllElevenStartWithTheirInitialValues) {
    ASSERT_EQ(initialShared.size(), 11u);
    for (size_t v = 0; v < initialShared.size(); ++v) {
        std::vector<uint8_t> expected(initialShared[v].size(), 0);
        if (v == 9) expected[0] = 1;  // repeatKeys: repeated key-downs are reported before any switch
        EXPECT_EQ(initialShared[v], expected) << "shared variable " << v;
    }
}

}  // namespace
