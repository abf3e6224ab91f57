// The lock screen's Linux adapters against the real system: folder
// enumeration and file kinds on the real file system, and the off-screen
// canvas with the real logic and FreeImage (Qt's offscreen platform).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include <FreeImage.h>

#include "directory_port.h"
#include "keyboard_layout_port.h"
#include "drawing_linux.h"
#include "drawing_port.h"
#include "media_lists.h"
#include "picture.h"
#include "random.h"
#include "settings.h"
#include "test_processes.h"

namespace fs = std::filesystem;

void PaintLockScreen(HWND window, int32_t left, int32_t top, int32_t right, int32_t bottom);

// fontconfig, which Qt's text drawing loads, keeps a cache it never frees.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

void EnsureApplication() {
    if (qApp) return;
    static int argc = 1;
    static char name[] = "lockscreen_linux_test";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QApplication(argc, argv);
}

class Folder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/bumblepad-lockscreen-XXXXXX";
        root_ = mkdtemp(pattern);
        previous_ = fs::current_path();
        fs::current_path(root_);
        fs::create_directories("pictures");
        fs::create_directories("sounds");
    }
    void TearDown() override {
        fs::current_path(previous_);
        fs::remove_all(root_);
    }
    static void Touch(const std::string& path) { std::ofstream(path) << "x"; }
    static std::multiset<std::string> Enumerate(const char* pattern) {
        std::multiset<std::string> names;
        DirectoryEntry entry;
        DirectorySearch search = FindFirstEntry(pattern, entry);
        if (!search) return names;
        do names.insert(entry.name);
        while (FindNextEntry(search, entry));
        CloseEntrySearch(search);
        return names;
    }
    fs::path root_, previous_;
};

TEST_F(Folder, WildcardMatchesCaseInsensitivelyAndStarTakesDots) {
    Touch("sounds/a.wav");
    Touch("sounds/SONG.WAV");
    Touch("sounds/Mixed.Wav");
    Touch("sounds/song.mp3");
    Touch("sounds/wav");
    EXPECT_EQ(Enumerate("./sounds/*.wav"), (std::multiset<std::string>{"a.wav", "SONG.WAV", "Mixed.Wav"}));
    EXPECT_EQ(Enumerate("./pictures/*"), (std::multiset<std::string>{".", ".."}));
    EXPECT_TRUE(Enumerate("./missing/*").empty());
    Touch("pictures/x.jpg");
    fs::create_directory("pictures/sub");
    RebuildMediaLists();
    EXPECT_EQ(pictureList.size(), 2u);
    EXPECT_EQ(soundList.size(), 3u);
}

TEST_F(Folder, OnlyRegularFilesAreRegular) {
    Touch("pictures/file");
    ASSERT_EQ(mkfifo("pictures/pipe", 0600), 0);
    fs::create_directory("pictures/folder");
    fs::create_symlink("file", "pictures/link");
    fs::create_symlink("nowhere", "pictures/dangling");
    EXPECT_TRUE(IsRegularFile("./pictures/file"));
    EXPECT_TRUE(IsRegularFile("./pictures/link"));
    EXPECT_FALSE(IsRegularFile("./pictures/pipe"));
    EXPECT_FALSE(IsRegularFile("./pictures/folder"));
    EXPECT_FALSE(IsRegularFile("./pictures/dangling"));
    EXPECT_FALSE(IsRegularFile("/dev/null"));
    EXPECT_FALSE(IsRegularFile("./pictures/absent"));
}

class Canvas : public Folder {
protected:
    void SetUp() override {
        Folder::SetUp();
        EnsureApplication();
        options = defaultOptions;
        options.showPictures = true;
        options.showUnlockHint = true;
        canvasDC = nullptr;
        canvasBitmap = nullptr;
        screenRect = ScreenRect{0, 0, 640, 480};
    }
    void TearDown() override {
        DeleteMemoryContext(canvasDC);
        DeleteDrawObject(canvasBitmap);
        canvasDC = nullptr;
        canvasBitmap = nullptr;
        window_.reset();
        Folder::TearDown();
    }
    static QRgb CanvasPixel(int x, int y) { return ImageOfBitmap(canvasBitmap)->pixel(x, y) & 0xFFFFFF; }
    static int NonBlack(const QImage& image, const QRect& area) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) count += (image.pixel(x, y) & 0xFFFFFF) != 0;
        return count;
    }
    // An 800 x 600 JPEG of one colour, made with FreeImage.
    static void WriteJpeg(const std::string& path, int width, int height) {
        FIBITMAP* bitmap = FreeImage_Allocate(width, height, 24);
        RGBQUAD orange{0x20, 0x90, 0xF0, 0};
        FreeImage_FillBackground(bitmap, &orange, 0);
        ASSERT_TRUE(FreeImage_Save(FIF_JPEG, bitmap, path.c_str(), 0));
        FreeImage_Unload(bitmap);
    }
    std::unique_ptr<QWidget> window_;
    HWND Window() {
        if (!window_) window_ = std::make_unique<QWidget>();
        return reinterpret_cast<HWND>(static_cast<uintptr_t>(window_->winId()));
    }
};

TEST_F(Canvas, PictureLandsInItsRectangleOnABlackCanvas) {
    WriteJpeg("pictures/orange.jpg", 800, 600);
    RebuildMediaLists();
    Window();
    window_->resize(640, 480);
    CreateCanvas(Window(), screenRect);
    ASSERT_NE(ImageOfBitmap(canvasBitmap), nullptr);
    EXPECT_EQ(ImageOfBitmap(canvasBitmap)->size(), QSize(640, 480));
    EXPECT_EQ(NonBlack(*ImageOfBitmap(canvasBitmap), QRect(0, 0, 640, 480)), 0);

    DrawnRect drawn = DrawPictureForCode(0);
    const QRect area(drawn.left, drawn.top, drawn.right - drawn.left + 1, drawn.bottom - drawn.top + 1);
    ASSERT_GE(area.width(), 128);
    const QImage& canvas = *ImageOfBitmap(canvasBitmap);
    EXPECT_EQ(NonBlack(canvas, area), area.width() * area.height());
    EXPECT_EQ(NonBlack(canvas, QRect(0, 0, 640, 480)), area.width() * area.height()) << "nothing outside";
    const QRgb middle = CanvasPixel(area.center().x(), area.center().y());
    EXPECT_NEAR(qRed(middle), 0xF0, 8);
    EXPECT_NEAR(qGreen(middle), 0x90, 8);
    EXPECT_NEAR(qBlue(middle), 0x20, 8);

    // The copy to the window: the hint band and the picture's rectangle.
    PaintLockScreen(Window(), drawn.left, drawn.top, drawn.right, drawn.bottom);
    ASSERT_NE(LockWindowImage(), nullptr);
    const QImage& shown = *LockWindowImage();
    EXPECT_EQ(shown.pixel(area.center()), canvas.pixel(area.center()));
    int white = 0, dark = 0;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 200; ++x) {
            const QRgb p = shown.pixel(x, y);
            white += qGray(p) > 240;
            dark += qGray(p) < 60;
        }
    EXPECT_GT(white, 300) << "white hint background";
    EXPECT_GT(dark, 50) << "black hint letters";
    DeleteDrawObject(canvasBitmap);
    canvasBitmap = nullptr;
    EXPECT_EQ(LockWindowImage(), nullptr) << "the window shows black again once the canvas is gone";
}

TEST_F(Canvas, PipeAndUnreadableEntriesDrawNothingAndNeverBlock) {
    ASSERT_EQ(mkfifo("pictures/pipe", 0600), 0);
    fs::create_directory("pictures/folder");
    fs::create_symlink("nowhere", "pictures/dangling");
    {
        WriteJpeg("whole.jpg", 800, 600);
        std::ifstream in("whole.jpg", std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream("pictures/truncated.jpg", std::ios::binary) << bytes.substr(0, bytes.size() / 3);
    }
    RebuildMediaLists();
    ASSERT_EQ(pictureList.size(), 4u);
    CreateCanvas(Window(), screenRect);
    for (uint32_t code = 0; code < 4; ++code) {
        const std::string name = pictureList[code].name;
        auto drawing = std::async(std::launch::async, [code] { return DrawPictureForCode(code); });
        if (drawing.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Unblock the reader so that the test can end, then fail.
            std::ofstream("pictures/pipe") << "x";
            FAIL() << name << " blocked the drawing";
        }
        DrawnRect drawn = drawing.get();
        if (name == "truncated.jpg") {
            // What is there of a cut JPEG is drawn; the rest stays grey.
            EXPECT_GT(drawn.right, drawn.left) << name;
        } else {
            EXPECT_EQ(drawn.left | drawn.top | drawn.right | drawn.bottom, 0) << name;
        }
    }
}

// A 2 x 2 device-independent bitmap, bottom row first: top row red, green;
// bottom row blue, white, in the given depth (palette for 1, 4 and 8 bits).
std::vector<uint8_t> Dib(int bits, std::vector<uint8_t>& pixels) {
    const uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, white = 0xFFFFFF;
    const uint32_t rows[2][2] = {{blue, white}, {red, green}};  // bottom row first
    const int colours = bits <= 8 ? 1 << bits : 0;
    std::vector<uint8_t> info(40 + colours * 4, 0);
    auto put32 = [&](size_t at, uint32_t v) { for (int k = 0; k < 4; ++k) info[at + k] = (v >> (8 * k)) & 0xFF; };
    put32(0, 40);
    put32(4, 2);
    put32(8, 2);
    info[12] = 1;
    info[14] = static_cast<uint8_t>(bits);
    const uint32_t palette[4] = {red, green, blue, white};
    for (int c = 0; c < colours && c < 4; ++c) {
        info[40 + c * 4] = palette[c] & 0xFF;
        info[40 + c * 4 + 1] = (palette[c] >> 8) & 0xFF;
        info[40 + c * 4 + 2] = (palette[c] >> 16) & 0xFF;
    }
    if (bits == 1) {  // two colours only: red and green, the others fall back to them
        for (int c = 0; c < 2; ++c) put32(40 + c * 4, c ? 0x00FF00 : 0xFF0000);
    }
    const int stride = ((2 * bits + 31) / 32) * 4;
    pixels.assign(stride * 2, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) {
            const uint32_t c = rows[y][x];
            const int index = c == red ? 0 : c == green ? 1 : c == blue ? 2 : 3;
            uint8_t* row = pixels.data() + y * stride;
            switch (bits) {
            case 32: case 24:
                row[x * bits / 8] = c & 0xFF;
                row[x * bits / 8 + 1] = (c >> 8) & 0xFF;
                row[x * bits / 8 + 2] = (c >> 16) & 0xFF;
                break;
            case 16: {
                const uint16_t v = static_cast<uint16_t>(((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 | ((c >> 3) & 31));
                row[x * 2] = v & 0xFF;
                row[x * 2 + 1] = v >> 8;
                break;
            }
            case 8: row[x] = static_cast<uint8_t>(index); break;
            case 4: row[0] |= static_cast<uint8_t>(index << (x ? 0 : 4)); break;
            case 1: row[0] |= static_cast<uint8_t>((index & 1) << (7 - x)); break;
            }
        }
    return info;
}

TEST_F(Canvas, EveryDepthIsScaledByNearestPixelAndClippedAtTheEdges) {
    canvasBitmap = CreateCanvasBitmap(nullptr, 10, 10);
    canvasDC = CreateMemoryContext(nullptr);
    DeleteDrawObject(SelectDrawObject(canvasDC, canvasBitmap));
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        PatternFill(canvasDC, 0, 0, 10, 10, kRopBlackness);
        std::vector<uint8_t> pixels;
        const std::vector<uint8_t> info = Dib(bits, pixels);
        // 2 x 2 stretched to 8 x 8 at (-4, 6), each source pixel 4 x 4: only
        // the top row's right pixel shows, in the canvas's corner.
        StretchDibToContext(canvasDC, -4, 6, 8, 8, 0, 0, 2, 2, pixels.data(), info.data(), kDibRgbColors, kRopSrcCopy);
        // Visible: x 0..3 (the source's right column), y 6..9 (its top row).
        EXPECT_EQ(CanvasPixel(0, 6), 0x00FF00u) << bits;
        EXPECT_EQ(CanvasPixel(3, 9), 0x00FF00u) << bits;
        EXPECT_EQ(CanvasPixel(4, 6), 0u) << bits << ": nothing right of the picture";
        EXPECT_EQ(CanvasPixel(0, 5), 0u) << bits << ": nothing above it";
        // The whole picture at (1, 1), 4 x 4: red, green over blue, white.
        StretchDibToContext(canvasDC, 1, 1, 4, 4, 0, 0, 2, 2, pixels.data(), info.data(), kDibRgbColors, kRopSrcCopy);
        EXPECT_EQ(CanvasPixel(1, 1), 0xFF0000u) << bits;
        EXPECT_EQ(CanvasPixel(4, 2), 0x00FF00u) << bits;
        if (bits != 1) {
            EXPECT_EQ(CanvasPixel(2, 3), 0x0000FFu) << bits;
            EXPECT_EQ(CanvasPixel(4, 4), 0xFFFFFFu) << bits;
        }
    }
}

// Pictures of 16 bits a channel (48-bit and 64-bit PNG, 16-bit TIFF, 16-bit
// grey) and 16-bit 5-5-5 and 5-6-5 BMPs draw their colour like 8-bit ones.
TEST_F(Canvas, DeepAndSixteenBitPicturesDrawTheirColour) {
    struct Kind {
        const char* name;
        FREE_IMAGE_FORMAT format;
        FREE_IMAGE_TYPE type;
        int bits;
        unsigned red, green, blue;  // masks, for 16-bit bitmaps
        QRgb expected;
    };
    const Kind kinds[] = {
        {"rgb48.png", FIF_PNG, FIT_RGB16, 48, 0, 0, 0, qRgb(0xC0, 0x40, 0x80)},
        {"rgba64.png", FIF_PNG, FIT_RGBA16, 64, 0, 0, 0, qRgb(0xC0, 0x40, 0x80)},
        {"rgb48.tif", FIF_TIFF, FIT_RGB16, 48, 0, 0, 0, qRgb(0xC0, 0x40, 0x80)},
        {"grey16.png", FIF_PNG, FIT_UINT16, 16, 0, 0, 0, qRgb(0xFF, 0xFF, 0xFF)},
        {"x555.bmp", FIF_BMP, FIT_BITMAP, 16, 0x7C00, 0x03E0, 0x001F, qRgb(0xC6, 0x42, 0x84)},
        {"x565.bmp", FIF_BMP, FIT_BITMAP, 16, 0xF800, 0x07E0, 0x001F, qRgb(0xC6, 0x41, 0x84)},
    };
    std::vector<std::string> names;
    for (const Kind& kind : kinds) {
        FIBITMAP* bitmap = FreeImage_AllocateT(kind.type, 64, 48, kind.bits, kind.red, kind.green, kind.blue);
        ASSERT_NE(bitmap, nullptr) << kind.name;
        for (unsigned y = 0; y < 48; ++y) {
            BYTE* row = FreeImage_GetScanLine(bitmap, y);
            for (unsigned x = 0; x < 64; ++x) {
                if (kind.type == FIT_RGB16) reinterpret_cast<FIRGB16*>(row)[x] = {0xC000, 0x4000, 0x8000};
                if (kind.type == FIT_RGBA16) reinterpret_cast<FIRGBA16*>(row)[x] = {0xC000, 0x4000, 0x8000, 0xFFFF};
                if (kind.type == FIT_UINT16) reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(0x100 * x);
                if (kind.type == FIT_BITMAP)
                    reinterpret_cast<uint16_t*>(row)[x] = static_cast<uint16_t>(
                        kind.green == 0x03E0 ? (24 << 10 | 8 << 5 | 16) : (24 << 11 | 16 << 5 | 16));
            }
        }
        ASSERT_TRUE(FreeImage_Save(kind.format, bitmap, ("pictures/" + std::string(kind.name)).c_str(), 0)) << kind.name;
        FreeImage_Unload(bitmap);
        names.push_back(kind.name);
    }
    RebuildMediaLists();
    Window();
    window_->resize(640, 480);
    CreateCanvas(Window(), screenRect);
    for (const Kind& kind : kinds) {
        uint32_t code = 0;
        while (std::string(pictureList[code].name) != kind.name) ++code;
        PatternFill(canvasDC, 0, 0, 640, 480, kRopBlackness);
        const DrawnRect drawn = DrawPictureForCode(code);
        ASSERT_GT(drawn.right, drawn.left) << kind.name;
        // The grey ramp runs from black on the left to white on the right.
        const int x = kind.type == FIT_UINT16 ? drawn.right : (drawn.left + drawn.right) / 2;
        const QRgb seen = CanvasPixel(x, (drawn.top + drawn.bottom) / 2);
        EXPECT_NEAR(qRed(seen), qRed(kind.expected), 12) << kind.name;
        EXPECT_NEAR(qGreen(seen), qGreen(kind.expected), 12) << kind.name;
        EXPECT_NEAR(qBlue(seen), qBlue(kind.expected), 12) << kind.name;
    }
}

TEST(KeyboardLayout, CharactersGiveTheCodesOfTheirKeys) {
    // An X server of its own, whose layout the test may change.
    ASSERT_FALSE(test_processes::ProcessX().name.empty()) << "Xvfb did not start";
    EnsureApplication();
    // Xvfb's default layout is US.
    EXPECT_EQ(ScanCharacterKey('w'), 'W');
    EXPECT_EQ(ScanCharacterKey('W') & 0xFF, 'W');
    EXPECT_EQ(ScanCharacterKey('W') >> 8, 1) << "typed with Shift";
    EXPECT_EQ(ScanCharacterKey('7'), '7');
    EXPECT_EQ(ScanCharacterKey('!'), 0x131) << "Shift and the 1 key";
    EXPECT_EQ(ScanCharacterKey(';'), 0xBA);
    EXPECT_EQ(ScanCharacterKey('\x01') & 0xFF, 0xFF) << "no key types it";
    // Where the naive lookup finds the extra key of European keyboards: the
    // key every keyboard has, as Windows gives it.
    EXPECT_EQ(ScanCharacterKey('<'), 0x1BC);
    EXPECT_EQ(ScanCharacterKey('>'), 0x1BE);
    EXPECT_EQ(ScanCharacterKey('|'), 0x1DC);
    EXPECT_EQ(ScanCharacterKey('\\'), 0xDC);
    EXPECT_EQ(ScanCharacterKey('\xE4'), -1);
    ASSERT_EQ(std::system("setxkbmap de"), 0);  // national letters by place, AltGr as Ctrl+Alt
    EXPECT_EQ(ScanCharacterKey('\xE4'), 0xDE);
    EXPECT_EQ(ScanCharacterKey('@'), 0x651);
    EXPECT_EQ(ScanCharacterKey('<'), 0xE2);
    std::system("setxkbmap us");
}

}  // namespace
