// Keys answered before their pictures, pictures decoded once per lock, and
// files that claim more than can be decoded.
#include <FreeImage.h>

#include <fstream>
#include <iterator>

#include "lockscreen_fixture.h"

namespace lockscreen_test {
namespace {

using Strings = std::vector<std::string>;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
void WriteAll(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

uint32_t Crc32(const std::string& bytes, size_t from, size_t count) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = from; i < from + count; ++i) {
        crc ^= static_cast<uint8_t>(bytes[i]);
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}
void PutBe(std::string& bytes, size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * (size - 1 - i)));
}

// A real small picture saved by FreeImage whose header is then made to claim
// width x height.
void WriteClaiming(const std::string& path, FREE_IMAGE_FORMAT format, uint32_t width, uint32_t height) {
    FIBITMAP* bitmap = FreeImage_Allocate(16, 16, 24);
    ASSERT_TRUE(FreeImage_Save(format, bitmap, path.c_str(), 0));
    FreeImage_Unload(bitmap);
    std::string bytes = ReadAll(path);
    if (format == FIF_PNG) {  // IHDR right after the signature, with its CRC
        PutBe(bytes, 16, width, 4);
        PutBe(bytes, 20, height, 4);
        PutBe(bytes, 29, Crc32(bytes, 12, 17), 4);
    } else {  // JPEG: the frame header (SOF0) gives height, then width
        const size_t sof = bytes.find("\xFF\xC0");
        ASSERT_NE(sof, std::string::npos);
        PutBe(bytes, sof + 5, height, 2);
        PutBe(bytes, sof + 7, width, 2);
    }
    WriteAll(path, bytes);
}

class PictureBounds : public LockScreenTest {
protected:
    void Lock(std::vector<std::string> pictures) {
        ScriptFolders(std::move(pictures), {"s.wav"});
        fake::lockScreen.logPixels = false;
    }
    static size_t Count(const std::string& call) {
        size_t n = 0;
        for (const auto& c : fake::calls) n += c.rfind(call, 0) == 0;
        return n;
    }
};

TEST_F(PictureBounds, ReportsAreAnsweredAtOnceAndOnlyTheNewestWaitingKeyIsDrawn) {
    WriteBmp("pictures/a.bmp", 40, 30);
    WriteBmp("pictures/b.bmp", 80, 20);
    Lock({"a.bmp", "b.bmp"});
    Press({'A'});  // 65 mod 2: b.bmp, decoded and drawn
    fake::calls.clear();
    // Three reports read before the window gets to drawing: each plays its
    // sound at once, one drawing is asked for, and only the last key draws.
    for (uint32_t code : {'B', 'C', 'D'}) OnLockKey(kWindow, code);
    EXPECT_EQ(Count("PlaySoundA(./sounds/s.wav"), 3u);
    EXPECT_EQ(Count("PostMessageA(0x8010"), 1u);
    EXPECT_EQ(Count("StretchDIBits"), 0u);
    const std::vector<int> next = UpcomingRandom(4);
    DeliverPosted();
    ASSERT_EQ(fake::CallsStartingWith("StretchDIBits").size(), 1u);
    EXPECT_NE(fake::CallsStartingWith("StretchDIBits")[0].find(",0,0,40,30,bits,"), std::string::npos)
        << "'D' (68 mod 2) is a.bmp";
    EXPECT_EQ(NextRandom(), next[3]) << "one picture's width, x and y were drawn";

    // The word ends the lock when its last report is read, whatever waits.
    fake::calls.clear();
    for (uint32_t code : {'W', 'R', 'E', 'N'}) OnLockKey(kWindow, code);
    EXPECT_FALSE(locked);
    DeliverPosted();
    EXPECT_EQ(Count("StretchDIBits"), 0u) << "nothing is drawn after the lock ended";
}

TEST_F(PictureBounds, EachFileIsDecodedOncePerLockAndAgainInTheNextLock) {
    WriteBmp("pictures/a.bmp", 40, 30);
    Lock({"a.bmp"});
    Press({'A', 'B', 'A'});
    EXPECT_EQ(fake::lockScreen.regularFileChecks, 1) << "decoded once";
    EXPECT_EQ(Count("StretchDIBits"), 3u);
    EXPECT_EQ(pictureCache.Count(), 1u);

    // The window thread never looks at the files: a picture changed during
    // the lock shows from the next lock on, as files added do.
    WriteBmp("pictures/a.bmp", 60, 30);  // another picture under the same name
    fake::calls.clear();
    Press({'C'});
    EXPECT_EQ(Count("RunInBackground"), 0u);
    ASSERT_EQ(fake::CallsStartingWith("StretchDIBits").size(), 1u);
    EXPECT_NE(fake::CallsStartingWith("StretchDIBits")[0].find(",0,0,40,30,bits,"), std::string::npos);

    Press({'W', 'R', 'E', 'N'});
    EXPECT_FALSE(locked);
    EXPECT_EQ(pictureCache.Count(), 0u) << "what the lock decoded is let go";
    EXPECT_EQ(pictureCache.Bytes(), 0u);

    locked = true;
    fake::script.windowVisible = true;
    fake::calls.clear();
    Press({'C'});
    EXPECT_EQ(fake::lockScreen.regularFileChecks, 2) << "decoded again in the next lock";
    ASSERT_EQ(fake::CallsStartingWith("StretchDIBits").size(), 1u);
    EXPECT_NE(fake::CallsStartingWith("StretchDIBits")[0].find(",0,0,60,30,bits,"), std::string::npos);
}

TEST_F(PictureBounds, PicturesClaimingMoreThanCanBeDecodedAreSkippedByTheirHeaders) {
    WriteClaiming("pictures/huge.png", FIF_PNG, 20000, 20000);
    WriteClaiming("pictures/huge.jpg", FIF_JPEG, 30000, 30000);
    WriteBmp("pictures/huge.bmp", 10000, 2, 24, 7000);
    // 35 bytes: a GIF whose screen and image claim 65535 x 65535.
    WriteAll("pictures/huge.gif", std::string("GIF89a\xFF\xFF\xFF\xFF\x00\x00\x00"
                                              "\x2C\x00\x00\x00\x00\xFF\xFF\xFF\xFF\x00"
                                              "\x02\x02\x44\x01\x00\x3B",
                                              29) +
                                      std::string(6, '\0'));
    // A 4000 x 3000 JPEG is decoded at 1/8 (500 pixels, within a tenth of
    // the widest draw of 546) and held so.
    WriteClaiming("pictures/wide.jpg", FIF_JPEG, 16, 16);
    {
        FIBITMAP* bitmap = FreeImage_Allocate(4000, 3000, 24);
        FreeImage_Save(FIF_JPEG, bitmap, "pictures/wide.jpg", 0);
        FreeImage_Unload(bitmap);
    }
    const std::pair<const char*, uint32_t> claims[] = {{"pictures/huge.png", 20000},
                                                       {"pictures/huge.jpg", 30000},
                                                       {"pictures/huge.bmp", 10000},
                                                       {"pictures/huge.gif", 65535}};
    for (auto [path, width] : claims) {
        PictureHeader header;
        ASSERT_TRUE(ReadPictureHeader(path, header)) << path;
        EXPECT_EQ(header.width, width) << path;
        EXPECT_EQ(PreparePicture(path, header, 546, UINT32_MAX), nullptr) << path;
    }
    Lock({"huge.png", "huge.jpg", "huge.bmp", "huge.gif", "wide.jpg"});
    screenRect = ScreenRect{0, 0, 1024, 768};
    RebuildMediaLists();
    canvasDC = fake::kCanvasDC;
    for (uint32_t code = 0; code < 4; ++code) {
        const uint32_t before = randomState;
        fake::calls.clear();
        DrawnRect drawn = DrawPictureForCode(code);
        EXPECT_EQ(drawn.left | drawn.top | drawn.right | drawn.bottom, 0) << code;
        EXPECT_TRUE(fake::calls.empty()) << code;
        EXPECT_EQ(randomState, before) << code;
    }
    DrawPictureForCode(4);
    ASSERT_EQ(fake::CallsStartingWith("StretchDIBits").size(), 1u);
    EXPECT_NE(fake::CallsStartingWith("StretchDIBits")[0].find(",0,0,500,375,bits,bpp24,"), std::string::npos);
}

TEST_F(PictureBounds, OwnHeaderReadersTellTheDeclaredSize) {
    const std::pair<const char*, std::string> files[] = {
        {"p.lbm", std::string("FORM\0\0\0\x20ILBMBMHD\0\0\0\x14\x12\x34\x23\x45", 24) + std::string(16, '\0')},
        // MHDR claims 1 x 1; the embedded image is what is decoded.
        {"p.mng", std::string("\x8AMNG\r\n\x1A\n\0\0\0\x1CMHDR\0\0\0\x01\0\0\0\x01", 24) + std::string(24, '\0') +
                      std::string("\0\0\0\x0DIHDR\0\0\x12\x34\0\0\x23\x45\x08\x02\0\0\0", 21) + std::string(4, '\0') +
                      std::string("\0\0\0\0IEND\0\0\0\0", 12)},
        {"p.dds", std::string("DDS \x7C\0\0\0\x07\x10\0\0\x45\x23\0\0\x34\x12\0\0", 20)},
        {"p.sgi", std::string("\x01\xDA\x00\x01\x00\x03\x12\x34\x23\x45\x00\x03", 12)},
        {"p.xbm", "#define p_width 4660\n#define p_height 9029\nstatic char p_bits[] = {0x00};\n"},
        {"p.wbmp", std::string("\x00\x00\xA4\x34\xC6\x45", 6)},
        {"p.j2k", std::string("\xFF\x4F\xFF\x51\x00\x29\x00\x00\x00\x00\x12\x34\x00\x00\x23\x45"
                              "\x00\x00\x00\x00\x00\x00\x00\x00",
                              24) +
                      std::string(16, '\0') + std::string("\x00\x01\x07\x01\x01", 5)},
    };
    for (const auto& [name, bytes] : files) {
        WriteAll(name, bytes);
        PictureHeader header;
        ASSERT_TRUE(ReadPictureHeader(name, header)) << name;
        EXPECT_EQ(header.width, 0x1234u) << name;
        EXPECT_EQ(header.height, 0x2345u) << name;
    }
}

}  // namespace
}  // namespace lockscreen_test
