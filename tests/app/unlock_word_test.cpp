#include "lockscreen_fixture.h"

namespace lockscreen_test {
namespace {

using Strings = std::vector<std::string>;

constexpr uint32_t kShift = 0x10, kLeftShift = 0xA0, kBackspace = 0x08, kLeftClick = 0x201;

class UnlockWord : public LockScreenTest {
protected:
    void SetUp() override {
        LockScreenTest::SetUp();
        ScriptFolders({}, {});
    }
    // The number of reports after which the lock ended (0: it did not).
    int EndsAfter(std::initializer_list<uint32_t> codes) {
        int n = 0;
        for (uint32_t code : codes) {
            ++n;
            fake::calls.clear();
            OnLockKey(kWindow, code);
            if (Called("ShowWindow(0)")) {
                EXPECT_FALSE(locked);
                return n;
            }
        }
        return 0;
    }
};

TEST_F(UnlockWord, WordEndsTheLockAtItsLastLetter) {
    EXPECT_EQ(EndsAfter({'W', 'R', 'E', 'N'}), 4);
    EXPECT_EQ(EndsAfter({kShift, 'W', 'R', 'E', 'N'}), 5);
    EXPECT_EQ(EndsAfter({'X', 'X', 'W', kLeftShift, 'R', 'E', 'N'}), 7);
    EXPECT_EQ(EndsAfter({'W', 'R', 'X', 'W', 'R', 'E', 'N'}), 7);
}

TEST_F(UnlockWord, AnythingBetweenTheLettersBreaksTheRun) {
    EXPECT_EQ(EndsAfter({'W', 'R', 'X', 'E', 'N'}), 0);
    keyHistory.clear();
    EXPECT_EQ(EndsAfter({'W', 'R', kBackspace, 'E', 'N'}), 0);
    keyHistory.clear();
    EXPECT_EQ(EndsAfter({'W', 'R', kLeftClick, 'E', 'N'}), 0);
    EXPECT_EQ(keyHistory, std::string("WR\x01" "EN"));
}

TEST_F(UnlockWord, CompletingKeyShowsAndPlaysNothing) {
    ScriptFolders({"p"}, {"s.wav"});
    Press({'W', 'R', 'E'});
    fake::calls.clear();
    Press({'N'});
    EXPECT_TRUE(fake::CallsStartingWith("StretchDIBits").empty());
    EXPECT_TRUE(fake::CallsStartingWith("PlaySoundA(./").empty());
    EXPECT_TRUE(fake::CallsStartingWith("StretchBlt").empty());
}

TEST_F(UnlockWord, HistoryIsCutToItsNewest21BytesAndTheWordStillWorks) {
    for (int i = 0; i < 500; ++i) OnLockKey(kWindow, 'A' + i % 3);
    EXPECT_EQ(keyHistory.size(), 500u);
    OnLockKey(kWindow, 'Z');
    EXPECT_EQ(keyHistory.size(), 21u);
    EXPECT_EQ(keyHistory.back(), 'Z');
    EXPECT_EQ(EndsAfter({'W', 'R', 'E', 'N'}), 4);
    EXPECT_TRUE(keyHistory.empty());
}

TEST_F(UnlockWord, LowByteOfTheCodeIsRecorded) {
    fake::script.windowVisible = false;
    Press({0x204, 0x1234, 0x57});
    EXPECT_EQ(keyHistory, std::string("\x04\x34\x57"));
}

TEST_F(UnlockWord, WordIsTranslatedOnEveryReportWithShiftStateDropped) {
    std::snprintf(options.unlockWord, sizeof options.unlockWord, "%s", "a!");
    fake::lockScreen.keyScan['!'] = 0x131;  // Shift + the 1 key
    fake::calls.clear();
    OnLockKey(kWindow, 'A');
    EXPECT_EQ(fake::CallsStartingWith("VkKeyScanA"), (Strings{"VkKeyScanA(a)", "VkKeyScanA(!)"}));
    EXPECT_EQ(unlockCodes, "A1");
    EXPECT_EQ(EndsAfter({'1'}), 1);

    std::snprintf(options.unlockWord, sizeof options.unlockWord, "%s", "w~");
    fake::lockScreen.keyScan['~'] = -1;  // no key on this layout
    EXPECT_EQ(EndsAfter({'W', 0xC0, 'N'}), 0);
    EXPECT_EQ(unlockCodes, std::string("W\xFF"));
}

TEST_F(UnlockWord, EmptyWordEndsAtTheFirstReport) {
    options.unlockWord[0] = '\0';
    EXPECT_EQ(EndsAfter({kShift}), 1);
}

TEST_F(UnlockWord, WordWithoutTerminatorEndsAtTheFieldsEnd) {
    std::memset(options.unlockWord, 'q', sizeof options.unlockWord);
    OnLockKey(kWindow, 'Q');
    EXPECT_EQ(unlockCodes, std::string(20, 'Q'));
}

TEST_F(UnlockWord, EndWithPicturesFreesTheLockScreenInOrder) {
    ScriptFolders({}, {"s.wav"});
    trayMenu = reinterpret_cast<void*>(0x77);
    Press({'W', 'R', 'E'});
    ASSERT_TRUE(lockScreenPrepared);
    options.showPictures = false;  // cleared mid-lock: what the lock took is freed all the same
    fake::calls.clear();
    Press({'N'});
    const Strings calls = CallsWithoutKeyScan();
    const Strings expected = {"PlaySoundA(0,0,0x40)", "DeleteDC(canvasDC)", "DeleteObject(canvasBitmap)",
                              "RemoveKeyboardHook(1)"};
    ASSERT_GE(calls.size(), expected.size() + 2);
    EXPECT_EQ(Strings(calls.begin(), calls.begin() + 4), expected);
    EXPECT_EQ(calls.back(), "CheckMenuItem(40015,0)") << "the loaded tray menu's item is unchecked last";
    EXPECT_EQ(calls[calls.size() - 2], "ShowWindow(0)") << "only the accessibility settings' own calls lie between";
    for (size_t i = 4; i + 2 < calls.size(); ++i)
        EXPECT_EQ(calls[i].rfind("SystemParametersInfoA", 0), 0u) << calls[i];
    EXPECT_FALSE(locked);
    EXPECT_FALSE(keyboardOnly);
    EXPECT_EQ(canvasDC, nullptr);
    EXPECT_FALSE(LockScreenHasCanvas());
    EXPECT_FALSE(lockScreenPrepared);
    EXPECT_TRUE(keyHistory.empty());
}

TEST_F(UnlockWord, EndWithoutPicturesDestroysTheHintWindow) {
    lockShowsPictures = false;  // as the lock began; the setting may say otherwise now
    options.showPictures = true;
    fake::script.windowVisible = false;
    hintWindow = reinterpret_cast<HWND>(0x99);
    keyboardOnly = true;
    Press({'W', 'R', 'E', 'N'});
    const Strings calls = CallsWithoutKeyScan();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "DestroyWindow(0x99)");
    EXPECT_EQ(calls[1], "RemoveKeyboardHook(0)");
    EXPECT_EQ(calls.back(), "ShowWindow(0)");
    EXPECT_EQ(hintWindow, nullptr);
    EXPECT_FALSE(locked);
    EXPECT_FALSE(keyboardOnly);
}

TEST_F(UnlockWord, NextLockStartsBlackAndReadsTheFoldersAgain) {
    Press({'A', 'W', 'R', 'E', 'N'});
    fake::script.windowVisible = true;
    locked = true;
    fake::calls.clear();
    Press({'B'});
    EXPECT_EQ(fake::CallsStartingWith("PatBlt(canvasDC,0,0,1024,768,0x42)").size(), 1u);
    EXPECT_EQ(fake::CallsStartingWith("FindFirstFileA").size(), 2u);
    EXPECT_EQ(keyHistory, "B");
}

}  // namespace
}  // namespace lockscreen_test
