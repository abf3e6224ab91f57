#include "lockscreen_fixture.h"

namespace lockscreen_test {
namespace {

using Strings = std::vector<std::string>;

class Picture : public LockScreenTest {
protected:
    // One picture in the folder and in the list; canvas of W x H.
    void OnePicture(const std::string& name, int width, int height, int bits = 24) {
        WriteBmp("pictures/" + name, width, height, bits);
        ScriptFolders({name}, {});
        RebuildMediaLists();
        canvasDC = fake::kCanvasDC;
        screenRect = ScreenRect{0, 0, 1024, 768};
        fake::calls.clear();
    }
};

TEST_F(Picture, CanvasIsTheWindowRectangleFromTheOriginAndBlack) {
    CreateCanvas(kWindow, ScreenRect{0, 0, 1280, 1024});
    EXPECT_EQ(fake::calls, (Strings{"GetDC", "CreateCompatibleBitmap(windowDC,1280,1024)",
                                    "CreateCompatibleDC(windowDC)", "SelectObject(canvasDC,canvasBitmap)",
                                    "DeleteObject(stockBitmap)", "ReleaseDC(windowDC)",
                                    "PatBlt(canvasDC,0,0,1280,1024,0x42)"}));
    EXPECT_EQ(canvasDC, fake::kCanvasDC);
    EXPECT_TRUE(LockScreenHasCanvas());
}

TEST_F(Picture, WidthRunsFromAFifthToEightFifteenthsOfTheScreen) {
    OnePicture("p.bmp", 800, 600);
    const std::pair<int, int> cases[] = {{0, 204}, {16384, 375}, {32767, 546}};
    for (auto [r, width] : cases) {
        ScriptNextRandom(r);
        const std::vector<int> next = UpcomingRandom(4);
        fake::calls.clear();
        DrawnRect drawn = DrawPictureForCode(0);
        const int height = static_cast<int>(0.75 * width);
        const int x = next[1] % (1024 - width);
        const int y = next[2] % (768 - height);
        EXPECT_EQ(fake::calls,
                  (Strings{"SetStretchBltMode(canvasDC,3)",
                           "StretchDIBits(canvasDC," + std::to_string(x) + "," + std::to_string(y) + "," +
                               std::to_string(width) + "," + std::to_string(height) +
                               ",0,0,546,410,bits,bpp24,0,0xCC0020)"}))
            << "r = " << r;
        EXPECT_EQ(drawn.left, x);
        EXPECT_EQ(drawn.top, y);
        EXPECT_EQ(drawn.right, x + width - 1);
        EXPECT_EQ(drawn.bottom, y + height - 1);
        EXPECT_EQ(NextRandom(), next[3]) << "width, x and y: three draws";
    }
}

TEST_F(Picture, WorkedExampleEightHundredBySixHundred) {
    OnePicture("p.bmp", 800, 600);
    ScriptNextRandom(16384);
    const std::vector<int> next = UpcomingRandom(3);
    DrawnRect drawn = DrawPictureForCode(0);
    EXPECT_EQ(drawn.right - drawn.left + 1, 375);
    EXPECT_EQ(drawn.bottom - drawn.top + 1, 281);
    EXPECT_EQ(drawn.left, next[1] % 649);
    EXPECT_EQ(drawn.top, next[2] % 487);
}

TEST_F(Picture, TallPictureStaysAtTheTopAndDrawsNoY) {
    OnePicture("tall.bmp", 100, 1000);
    ScriptNextRandom(9139);  // (9139 / 98301 + 0.2) x 1024 = 300.0
    const std::vector<int> next = UpcomingRandom(3);
    DrawnRect drawn = DrawPictureForCode(0);
    EXPECT_EQ(drawn.left, next[1] % (1024 - 300));
    EXPECT_EQ(drawn.top, 0);
    EXPECT_EQ(drawn.right, drawn.left + 299);
    EXPECT_EQ(drawn.bottom, 2999);
    // Width and x only: the next draw is the one a y would have taken.
    EXPECT_EQ(NextRandom(), next[2]);
}

TEST_F(Picture, EveryDepthIsHeldAsTwentyFourBitsAndSmallPicturesAsTheyAre) {
    for (int bits : {8, 16, 24}) {
        OnePicture("p" + std::to_string(bits) + ".bmp", 64, 48, bits);
        DrawPictureForCode(0);
        ASSERT_EQ(fake::CallsStartingWith("StretchDIBits").size(), 1u) << bits;
        EXPECT_NE(fake::CallsStartingWith("StretchDIBits")[0].find(",0,0,64,48,bits,bpp24,"), std::string::npos)
            << bits;
    }
}

TEST_F(Picture, WhatCannotBeDrawnDrawsNothingAndTakesNoRandomValue) {
    WriteBmp("pictures/huge.bmp", 10000, 2, 24, 7000);  // claims 70 megapixels, holds two rows
    {
        FILE* f = std::fopen("pictures/notes.txt", "wb");
        std::fputs("not a picture", f);
        std::fclose(f);
        FILE* t = std::fopen("pictures/cut.bmp", "wb");
        std::fputs("BM", t);  // a header that ends after two bytes
        std::fclose(t);
    }
    std::filesystem::create_directory("pictures/folder");
    WriteBmp("pictures/pipe", 10, 10);
    fake::lockScreen.notRegularFiles = {"./pictures/pipe"};
    ScriptFolders({"huge.bmp", "notes.txt", "cut.bmp", "folder", "pipe", "gone.bmp"}, {});
    RebuildMediaLists();
    canvasDC = fake::kCanvasDC;
    screenRect = ScreenRect{0, 0, 1024, 768};
    for (uint32_t code = 0; code < 6; ++code) {
        const uint32_t before = randomState;
        fake::calls.clear();
        DrawnRect drawn = DrawPictureForCode(code);
        EXPECT_EQ(drawn.left | drawn.top | drawn.right | drawn.bottom, 0) << pictureList[code].name;
        EXPECT_TRUE(fake::calls.empty()) << pictureList[code].name;
        EXPECT_EQ(randomState, before) << pictureList[code].name;
    }
}

TEST_F(Picture, ContentDecidesTheTypeBeforeTheName) {
    WriteBmp("pictures/cat.jpg", 40, 30);  // a BMP under a JPEG name
    ScriptFolders({"cat.jpg"}, {});
    RebuildMediaLists();
    canvasDC = fake::kCanvasDC;
    screenRect = ScreenRect{0, 0, 1024, 768};
    DrawPictureForCode(0);
    ASSERT_EQ(fake::CallsStartingWith("StretchDIBits").size(), 1u);
    EXPECT_NE(fake::CallsStartingWith("StretchDIBits")[0].find(",0,0,40,30,bits,bpp24,"), std::string::npos);
}

}  // namespace
}  // namespace lockscreen_test
