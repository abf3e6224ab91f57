// The lock screen's Windows adapters against the real API (Wine): folder
// enumeration, file kinds, and pictures drawn through GDI into the canvas of
// a real window, with the test-only FreeImage.dll decoding BMP files.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "directory_port.h"
#include "drawing_port.h"
#include "media_lists.h"
#include "picture.h"
#include "settings.h"

void PaintLockScreen(HWND window, int32_t left, int32_t top, int32_t right, int32_t bottom);

namespace {

class LockScreenFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + "bumblepad-lockscreen-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(root_.c_str(), nullptr);
        GetCurrentDirectoryA(MAX_PATH, previous_);
        SetCurrentDirectoryA(root_.c_str());
        CreateDirectoryA("pictures", nullptr);
        CreateDirectoryA("sounds", nullptr);
    }
    void TearDown() override {
        SetCurrentDirectoryA(previous_);
        std::string command = "cmd /c rmdir /s /q \"" + root_ + "\"";
        for (const char* folder : {"pictures", "sounds"}) {
            WIN32_FIND_DATAA data;
            std::string pattern = root_ + "\\" + folder + "\\*";
            HANDLE search = FindFirstFileA(pattern.c_str(), &data);
            if (search == INVALID_HANDLE_VALUE) continue;
            do {
                std::string path = root_ + "\\" + folder + "\\" + data.cFileName;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveDirectoryA(path.c_str());
                else DeleteFileA(path.c_str());
            } while (FindNextFileA(search, &data));
            FindClose(search);
            RemoveDirectoryA((root_ + "\\" + folder).c_str());
        }
        RemoveDirectoryA(root_.c_str());
    }
    static void Touch(const char* path) {
        FILE* f = std::fopen(path, "wb");
        std::fputs("x", f);
        std::fclose(f);
    }
    // A 24-bit bottom-up BMP of one colour (B, G, R).
    static void WriteBmp(const char* path, int width, int height, unsigned char b, unsigned char g, unsigned char r) {
        const int stride = (width * 3 + 3) / 4 * 4;
        std::vector<unsigned char> file(54 + stride * height, 0);
        auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) file[at + i] = (v >> (8 * i)) & 0xFF; };
        file[0] = 'B';
        file[1] = 'M';
        put32(2, static_cast<uint32_t>(file.size()));
        put32(10, 54);
        put32(14, 40);
        put32(18, width);
        put32(22, height);
        file[26] = 1;
        file[28] = 24;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                file[54 + y * stride + x * 3] = b;
                file[54 + y * stride + x * 3 + 1] = g;
                file[54 + y * stride + x * 3 + 2] = r;
            }
        FILE* f = std::fopen(path, "wb");
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    }
    std::string root_;
    char previous_[MAX_PATH];
};

TEST_F(LockScreenFolder, SoundsMatchInAnyCasePicturesTakeAllButDots) {
    Touch("sounds\\a.wav");
    Touch("sounds\\SONG.WAV");
    Touch("sounds\\song.mp3");
    Touch("pictures\\cat.jpg");
    CreateDirectoryA("pictures\\sub", nullptr);
    RebuildMediaLists();
    std::set<std::string> sounds, pictures;
    for (const auto& e : soundList) sounds.insert(e.name);
    for (const auto& e : pictureList) pictures.insert(e.name);
    EXPECT_EQ(sounds, (std::set<std::string>{"a.wav", "SONG.WAV"}));
    EXPECT_EQ(pictures, (std::set<std::string>{"cat.jpg", "sub"}));
    EXPECT_TRUE(IsRegularFile(".\\pictures\\cat.jpg"));
    EXPECT_FALSE(IsRegularFile(".\\pictures\\sub"));
    EXPECT_FALSE(IsRegularFile(".\\pictures\\absent"));
}

TEST_F(LockScreenFolder, PictureIsDrawnIntoTheCanvasAndCopiedToTheWindow) {
    WriteBmp("pictures\\green.bmp", 80, 60, 0x20, 0xC0, 0x40);
    RebuildMediaLists();
    options = defaultOptions;
    options.showPictures = true;
    options.showUnlockHint = true;
    // The screen's context stands for the lock window's (there may be no
    // display to make a window on).
    HWND window = nullptr;
    screenRect = ScreenRect{0, 0, 320, 240};
    CreateCanvas(window, screenRect);
    ASSERT_NE(canvasDC, nullptr);
    EXPECT_EQ(GetPixel(static_cast<HDC>(canvasDC), 5, 100), RGB(0, 0, 0)) << "a new canvas is black";

    DrawnRect drawn = DrawPictureForCode(0);
    const int width = drawn.right - drawn.left + 1, height = drawn.bottom - drawn.top + 1;
    EXPECT_GE(width, 64);
    EXPECT_LE(width, 170);
    EXPECT_EQ(height, width * 60 / 80);
    const COLORREF middle = GetPixel(static_cast<HDC>(canvasDC), drawn.left + width / 2, drawn.top + height / 2);
    EXPECT_EQ(middle, RGB(0x40, 0xC0, 0x20));
    if (drawn.left > 0) {
        EXPECT_EQ(GetPixel(static_cast<HDC>(canvasDC), drawn.left - 1, drawn.top + height / 2), RGB(0, 0, 0));
    }

    PaintLockScreen(window, drawn.left, drawn.top, drawn.right, drawn.bottom);
    EXPECT_EQ(GetPixel(static_cast<HDC>(canvasDC), 1, 1), RGB(255, 255, 255)) << "the hint's white background";

    DeleteMemoryContext(canvasDC);
    DeleteDrawObject(canvasBitmap);
    canvasDC = nullptr;
    canvasBitmap = nullptr;
}

}  // namespace
