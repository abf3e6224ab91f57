#include "lockscreen_fixture.h"

namespace lockscreen_test {
namespace {

using Strings = std::vector<std::string>;

const Strings kCanvasCreation = {"GetDC", "CreateCompatibleBitmap(windowDC,1024,768)", "CreateCompatibleDC(windowDC)",
                                 "SelectObject(canvasDC,canvasBitmap)", "DeleteObject(stockBitmap)",
                                 "ReleaseDC(windowDC)", "PatBlt(canvasDC,0,0,1024,768,0x42)"};

Strings Paint(const std::string& copy) {
    return {"GetDC", "SetBkColor(canvasDC,0xFFFFFF)",
            "TextOutA(canvasDC,0,0,Type \"wren\" to unlock keyboard,30)",
            "BitBlt(windowDC,0,0,200,15,canvasDC,0,0,0xCC0020)", copy, "ReleaseDC(windowDC)"};
}

Strings Concat(std::initializer_list<Strings> parts) {
    Strings out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

using KeyReaction = LockScreenTest;

TEST_F(KeyReaction, FirstKeyPreparesDrawsPlaysAndShows) {
    WriteBmp("pictures/p2.bmp", 800, 600);
    ScriptFolders({"p0.bmp", "p1.bmp", "p2.bmp"}, {"s0.wav", "s1.wav"});
    ScriptNextRandom(16384);
    const std::vector<int> next = UpcomingRandom(3);
    const int x = next[1] % 649, y = next[2] % 487;
    Press({65});  // 65 mod 3 = 2, 65 mod 2 = 1
    const std::string xy = std::to_string(x) + "," + std::to_string(y);
    const std::string rect = xy + ",375,281";
    EXPECT_EQ(CallsWithoutKeyScan(),
              Concat({{"GetWindowRect"}, kCanvasCreation,
                      {"FindFirstFileA(./pictures/*)", "FindNextFileA", "FindNextFileA", "FindNextFileA", "FindClose",
                       "FindFirstFileA(./sounds/*.wav)", "FindNextFileA", "FindNextFileA", "FindClose",
                       "PlaySoundA(./sounds/s1.wav,0,0x20003)", "SetStretchBltMode(canvasDC,3)",
                       // held reduced to the widest draw, 546 of 1024 pixels
                       "StretchDIBits(canvasDC," + rect + ",0,0,546,410,bits,bpp24,0,0xCC0020)"},
                      Paint("StretchBlt(windowDC," + rect + ",canvasDC," + rect + ",0xCC0020)")}));
    EXPECT_TRUE(lockScreenPrepared);
    EXPECT_EQ(screenRect.right, 1024);
    EXPECT_EQ(screenRect.bottom, 768);

    // The next key neither captures nor reads the folders again.
    fake::calls.clear();
    Press({66});  // picture 0 does not exist: nothing drawn, sound 0 plays
    EXPECT_EQ(CallsWithoutKeyScan(),
              Concat({{"PlaySoundA(./sounds/s0.wav,0,0x20003)"},
                      Paint("StretchBlt(windowDC,0,0,1,1,canvasDC,0,0,1,1,0xCC0020)")}));
}

TEST_F(KeyReaction, EmptyFoldersLeaveHintAndOnePixelCopy) {
    ScriptFolders({}, {});
    Press({'Q'});
    fake::calls.clear();
    Press({'Q'});
    EXPECT_EQ(CallsWithoutKeyScan(), Paint("StretchBlt(windowDC,0,0,1,1,canvasDC,0,0,1,1,0xCC0020)"));
}

TEST_F(KeyReaction, ASoundWithoutPicturesAndAPictureWithoutSound) {
    ScriptFolders({}, {"only.wav"});
    Press({1000});
    EXPECT_TRUE(Called("PlaySoundA(./sounds/only.wav,0,0x20003)"));
    EXPECT_TRUE(fake::CallsStartingWith("StretchDIBits").empty());
}

TEST_F(KeyReaction, KeyboardOnlyLockOnlyWatchesForTheWord) {
    fake::script.windowVisible = false;
    ScriptFolders({"a"}, {"b.wav"});
    Press({'A', 'B'});
    EXPECT_TRUE(CallsWithoutKeyScan().empty());
    EXPECT_FALSE(lockScreenPrepared);
    EXPECT_EQ(keyHistory, "AB");
}

TEST_F(KeyReaction, PicturesOffShowsNothingWithOrWithoutHint) {
    options.showPictures = false;
    Press({'A'});
    EXPECT_EQ(CallsWithoutKeyScan(), (Strings{"GetDC", "ReleaseDC(windowDC)"}));
    fake::calls.clear();
    options.showUnlockHint = false;
    Press({'A'});
    EXPECT_EQ(CallsWithoutKeyScan(), (Strings{"GetDC", "ReleaseDC(windowDC)"}));
}

TEST_F(KeyReaction, HintOffStillCopiesTheRectangle) {
    options.showUnlockHint = false;
    ScriptFolders({}, {});
    Press({'A'});
    fake::calls.clear();
    PaintLockScreen(kWindow, 10, 20, 30, 40);
    EXPECT_EQ(fake::calls, (Strings{"GetDC", "StretchBlt(windowDC,10,20,21,21,canvasDC,10,20,21,21,0xCC0020)",
                                    "ReleaseDC(windowDC)"}));
}

TEST_F(KeyReaction, EmptyWordGivesEmptyQuotes) {
    canvasDC = fake::kCanvasDC;
    std::snprintf(options.unlockWord, sizeof options.unlockWord, "%s", "");
    PaintLockScreen(kWindow, 0, 0, 0, 0);
    EXPECT_TRUE(Called("TextOutA(canvasDC,0,0,Type \"\" to unlock keyboard,26)"));
}

TEST_F(KeyReaction, CanvasOfAnEarlierMoveIsKept) {
    OnLockMouseMove(kWindow, 5, 5);
    ScriptFolders({}, {});
    fake::calls.clear();
    Press({'A'});
    EXPECT_EQ(fake::CallsStartingWith("CreateCompatibleBitmap").size(), 0u);
    EXPECT_EQ(fake::CallsStartingWith("GetWindowRect").size(), 1u);
    EXPECT_EQ(fake::CallsStartingWith("FindFirstFileA").size(), 2u);
}

// ---- confetti ----

class Confetti : public LockScreenTest {
protected:
    // Top-left corners of the blocks copied to the window, in order.
    static std::vector<std::pair<int, int>> Blocks() {
        std::vector<std::pair<int, int>> blocks;
        for (const auto& c : fake::CallsStartingWith("StretchBlt(")) {
            int x, y, w, h;
            EXPECT_EQ(std::sscanf(c.c_str(), "StretchBlt(windowDC,%d,%d,%d,%d", &x, &y, &w, &h), 4);
            EXPECT_EQ(w, 3);
            EXPECT_EQ(h, 3);
            blocks.emplace_back(x, y);
        }
        return blocks;
    }
    void StartAt(int x, int y) {
        OnLockMouseMove(kWindow, x, y);
        fake::calls.clear();
    }
};

TEST_F(Confetti, FirstMoveMakesTheCanvasAndOnlyAnchors) {
    OnLockMouseMove(kWindow, 40, 50);
    EXPECT_EQ(fake::calls, Concat({{"GetWindowRect"}, kCanvasCreation}));
    EXPECT_FALSE(trailRestart);
    EXPECT_EQ(trailAnchorX, 40);
    EXPECT_EQ(trailAnchorY, 50);
}

TEST_F(Confetti, StraightMoveDrawsOneBlockPerUnitUpToTheNewPosition) {
    StartAt(0, 0);
    OnLockMouseMove(kWindow, 10, 0);
    std::vector<std::pair<int, int>> expected;
    for (int x = 0; x < 10; ++x) expected.emplace_back(x, 0);
    EXPECT_EQ(Blocks(), expected);
    EXPECT_EQ(fake::CallsStartingWith("SetPixel").size(), 90u);
}

TEST_F(Confetti, DiagonalMoveTruncatesTowardZero) {
    StartAt(0, 0);
    OnLockMouseMove(kWindow, 3, 4);
    EXPECT_EQ(Blocks(), (std::vector<std::pair<int, int>>{{0, 0}, {0, 0}, {1, 1}, {1, 2}, {2, 3}}));
    fake::calls.clear();
    OnLockMouseMove(kWindow, 0, 0);  // back: from (3, 4) towards the origin
    EXPECT_EQ(Blocks(), (std::vector<std::pair<int, int>>{{3, 4}, {3, 4}, {2, 3}, {2, 2}, {1, 1}}));
}

TEST_F(Confetti, EveryPixelTakesBlueGreenRedDrawsColumnByColumn) {
    StartAt(100, 200);
    const std::vector<int> r = UpcomingRandom(27);
    OnLockMouseMove(kWindow, 101, 200);
    Strings expected;
    int n = 0;
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k, n += 3) {
            char text[64];
            std::snprintf(text, sizeof text, "SetPixel(canvasDC,%d,%d,0x%X)", 100 + j, 200 + k,
                          (r[n + 2] % 256) | (r[n + 1] % 256) << 8 | (r[n] % 256) << 16);
            expected.push_back(text);
        }
    expected.push_back("GetDC");
    EXPECT_EQ(Strings(fake::calls.begin(), fake::calls.begin() + 10), expected);
}

TEST_F(Confetti, SamePositionDrawsNothingButStillAnchors) {
    StartAt(0, 7);
    OnLockMouseMove(kWindow, 5, 7);
    OnLockMouseMove(kWindow, 5, 7);  // no move: nothing drawn, nothing painted
    EXPECT_EQ(Blocks(), (std::vector<std::pair<int, int>>{{0, 7}, {1, 7}, {2, 7}, {3, 7}, {4, 7}}));
    fake::calls.clear();
    // The trail goes on from there, neither restarted nor drawn again.
    OnLockMouseMove(kWindow, 7, 7);
    EXPECT_EQ(Blocks(), (std::vector<std::pair<int, int>>{{5, 7}, {6, 7}}));
}

TEST_F(Confetti, NextLockStartsItsTrailFromTheLastPosition) {
    ScriptFolders({}, {});
    StartAt(0, 0);
    OnLockMouseMove(kWindow, 20, 0);
    EndLockByWord(kWindow);
    fake::script.windowVisible = true;
    // A key before the first move of the next lock: the canvas comes from the
    // preparation and the trail continues from (20, 0).
    Press({'A'});
    fake::calls.clear();
    OnLockMouseMove(kWindow, 22, 0);
    EXPECT_EQ(Blocks(), (std::vector<std::pair<int, int>>{{20, 0}, {21, 0}}));
}

TEST_F(Confetti, NextLockStartingWithAMoveOnlyAnchors) {
    ScriptFolders({}, {});
    StartAt(0, 0);
    OnLockMouseMove(kWindow, 20, 0);
    EndLockByWord(kWindow);
    fake::script.windowVisible = true;
    fake::calls.clear();
    OnLockMouseMove(kWindow, 300, 300);
    EXPECT_TRUE(Blocks().empty());
    EXPECT_EQ(trailAnchorX, 300);
}

}  // namespace
}  // namespace lockscreen_test
