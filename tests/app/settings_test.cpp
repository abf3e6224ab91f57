#include <gtest/gtest.h>

#include <cstring>

#include "fake_platform.h"
#include "settings.h"

namespace {

std::vector<uint8_t> Bytes(const OptionsBlock& block) {
    auto* p = reinterpret_cast<const uint8_t*>(&block);
    return std::vector<uint8_t>(p, p + sizeof block);
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        options = defaultOptions;
    }
};

TEST_F(SettingsTest, DefaultsHaveTheStoredByteImage) {
    std::vector<uint8_t> expected(60, 0);
    expected[0] = 0x7A;
    for (int i = 1; i <= 26; ++i) expected[i] = 1;
    expected[27] = 1;  // lockDriveDoors
    expected[28] = 1;  // disablePowerButton
    expected[29] = 0;  // keyRepeat
    expected[30] = 1;  // showUnlockHint
    expected[37] = 1;  // showPictures
    std::memcpy(&expected[38], "wren", 4);
    EXPECT_EQ(Bytes(defaultOptions), expected);
}

TEST_F(SettingsTest, FiveMinutesAreStoredLittleEndianAtOffset32) {
    options.autoLockMs = 5 * 60000;
    SaveOptions();
    const auto& stored = fake::script.values["Options"];
    ASSERT_EQ(stored.size(), 60u);
    EXPECT_EQ(stored[32], 0xE0);
    EXPECT_EQ(stored[33], 0x93);
    EXPECT_EQ(stored[34], 0x04);
    EXPECT_EQ(stored[35], 0x00);
}

TEST_F(SettingsTest, SaveWritesExactlySixtyBytesAskingOnlyToSetValues) {
    options.padding31 = 0x55;  // padding is stored as held in memory
    options.padding58[1] = 0x66;
    SaveOptions();
    EXPECT_EQ(fake::calls, (std::vector<std::string>{"RegOpenKeyExA(HKLM,Software\\Bumblepad,0,0x2)",
                                                     "RegSetValueExA(Options,REG_BINARY,60)", "RegCloseKey"}));
    EXPECT_EQ(fake::script.values["Options"], Bytes(options));
}

TEST_F(SettingsTest, LoadReadsTheValueWithABufferOfSixtyAskingOnlyToQuery) {
    OptionsBlock stored = defaultOptions;
    stored.keyRepeat = true;
    stored.autoLockMs = 120000;
    std::strcpy(stored.unlockWord, "dad");
    fake::script.values["Options"] = Bytes(stored);
    options.showPictures = false;
    ASSERT_TRUE(LoadOptions());
    EXPECT_EQ(fake::calls, (std::vector<std::string>{"RegOpenKeyExA(HKLM,Software\\Bumblepad,0,0x1)",
                                                     "RegQueryValueExA(Options,60)", "RegCloseKey"}));
    EXPECT_EQ(Bytes(options), Bytes(stored));
}

TEST_F(SettingsTest, MissingValueWrongMarkerOrTooLongGiveDefaults) {
    // No value at all.
    options.autoLockMs = 7;
    ASSERT_TRUE(LoadOptions());
    EXPECT_EQ(Bytes(options), Bytes(defaultOptions));

    // Wrong marker.
    OptionsBlock stored = defaultOptions;
    stored.marker = 0x79;
    stored.autoLockMs = 60000;
    fake::script.values["Options"] = Bytes(stored);
    ASSERT_TRUE(LoadOptions());
    EXPECT_EQ(Bytes(options), Bytes(defaultOptions));

    // 61 bytes: the query fails.
    stored.marker = 0x7A;
    auto longer = Bytes(stored);
    longer.push_back(0);
    fake::script.values["Options"] = longer;
    ASSERT_TRUE(LoadOptions());
    EXPECT_EQ(Bytes(options), Bytes(defaultOptions));
}

TEST_F(SettingsTest, AShortBlockFillsOnlyItsLeadingBytes) {
    std::vector<uint8_t> stored(40, 0);
    stored[0] = 0x7A;
    stored[5] = 1;           // drive E only
    stored[32] = 0x60;       // 60000 ms = 0x0000EA60
    stored[33] = 0xEA;
    stored[38] = 'x';
    stored[39] = 'y';
    fake::script.values["Options"] = stored;
    ASSERT_TRUE(LoadOptions());
    auto bytes = Bytes(options);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 40), stored);
    EXPECT_EQ(options.autoLockMs, 60000u);
    EXPECT_STREQ(options.unlockWord, "xyen");  // the rest of "wren" kept
    auto defaults = Bytes(defaultOptions);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 40, bytes.end()),
              std::vector<uint8_t>(defaults.begin() + 40, defaults.end()));
}

TEST_F(SettingsTest, AWordWithoutTerminatorIsCutAtTheFieldsEnd) {
    OptionsBlock stored = defaultOptions;
    std::memset(stored.unlockWord, 'a', sizeof stored.unlockWord);
    fake::script.values["Options"] = Bytes(stored);
    ASSERT_TRUE(LoadOptions());
    EXPECT_EQ(std::strlen(options.unlockWord), 19u);
}

TEST_F(SettingsTest, MissingKeyFailsTheLoadAndKeepsOptions) {
    fake::script.settingsKeyExists = false;
    options.autoLockMs = 123;
    EXPECT_FALSE(LoadOptions());
    EXPECT_EQ(options.autoLockMs, 123u);
    EXPECT_EQ(fake::calls.size(), 1u);
}

TEST_F(SettingsTest, SaveFailuresAreReportedOnce) {
    const std::string message = "MessageBoxA(Error accessing registry. Settings will not be saved.,Error,0x30)";
    fake::script.settingsKeyExists = false;
    SaveOptions();
    EXPECT_EQ(fake::CallsStartingWith("MessageBoxA"), std::vector<std::string>{message});
    EXPECT_TRUE(fake::CallsStartingWith("RegSetValueExA").empty());

    fake::Reset();
    fake::script.settingsWriteFails = true;
    SaveOptions();
    EXPECT_EQ(fake::CallsStartingWith("MessageBoxA"), std::vector<std::string>{message});
    EXPECT_EQ(fake::calls.back(), "RegCloseKey");
}

}  // namespace
