// The files that tried to get past the decoding guard, and the BMP files
// current programs write, against the lock screen: what the header readers
// see, what a lock over them draws, and the one decoder that hands its
// results back.
#include <FreeImage.h>

#include <chrono>
#include <fstream>
#include <map>

#include "controller.h"
#include "hostile_pictures.h"
#include "lockscreen_fixture.h"

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace lockscreen_test {
namespace {

class HostilePictures : public LockScreenTest {
protected:
    static size_t Count(const std::string& call) {
        size_t n = 0;
        for (const auto& c : fake::calls) n += c.rfind(call, 0) == 0;
        return n;
    }
    // A full lock over these pictures, its lists read.
    void Lock(const std::vector<std::string>& pictures) {
        ScriptFolders(pictures, {"s.wav"});
        fake::lockScreen.logPixels = false;
    }
    // The code that draws the n-th of count pictures ('A' and on).
    static uint32_t CodeFor(size_t n, size_t count) {
        const uint32_t a = 'A';
        return a + static_cast<uint32_t>((n + count - a % count) % count);
    }
};

// Each reader reaches what the decoder would read first, and counts what the
// decoder would hold besides the pixels; one that cannot refuses the file.
TEST_F(HostilePictures, HeadersTellWhatTheDecoderWouldMakeAndHold) {
    const std::vector<hostile::Made> set = hostile::WriteAll("pictures", hostile::Weight::Light);
    std::map<std::string, PictureHeader> headers;
    for (const hostile::Made& made : set) {
        PictureHeader header;
        const bool read = ReadPictureHeader(("pictures/" + made.name).c_str(), header);
        EXPECT_EQ(read, made.name != "unreadable.iff") << made.name;
        headers[made.name] = header;
    }
    // Inflated text: far over the budget, though the file is 770 KB.
    EXPECT_EQ(headers["text_chunks.png"].width, 16u);
    EXPECT_GT(headers["text_chunks.png"].sideBytes, kPictureWorkBytes);
    // Every coefficient at full size, whatever scale the picture is drawn at.
    EXPECT_EQ(headers["progressive.jpg"].width, 8000u);
    EXPECT_GE(headers["progressive.jpg"].sideBytes, 8000ull * 8000 * 3 * 2);
    // The embedded picture, not the frame size, after more than 1,000 chunks.
    EXPECT_EQ(headers["fooled.mng"].width, 8000u);
    EXPECT_EQ(headers["fooled.mng"].height, 8000u);
    EXPECT_EQ(headers["fooled.mng"].bitsPerPixel, 48u);
    // The code stream of the "jp2c" box, not the decoy before it.
    EXPECT_EQ(headers["decoy.jp2"].width, 48u);
    EXPECT_EQ(headers["decoy.jp2"].height, 36u);
    // The image after 5,000 extensions, not the screen.
    EXPECT_EQ(headers["fooled.gif"].width, 9000u);
    EXPECT_EQ(headers["fooled.gif"].height, 8000u);
    for (const char* bmp : {"v5_565.bmp", "v5_555.bmp", "v5_24.bmp", "v5_32.bmp"}) {
        EXPECT_EQ(headers[bmp].width, 64u) << bmp;
        EXPECT_EQ(headers[bmp].height, 48u) << bmp;
    }
}

// Truncated structures are refused, never read as a smaller claim.
TEST_F(HostilePictures, ReadersThatDoNotReachTheSizeRefuseTheFile) {
    const std::pair<const char*, std::string> files[] = {
        // MHDR only: no embedded picture.
        {"p.mng", std::string("\x8AMNG\r\n\x1A\n\0\0\0\x1CMHDR\0\0\0\x10\0\0\0\x10", 24) + std::string(24, '\0')},
        // A screen, extensions, and no image before the end.
        {"p.gif", std::string("GIF89a\x10\0\x10\0\0\0\0\x21\xFE\x01!\0", 18)},
        // A JP2 whose boxes hold no code stream.
        {"p.jp2", std::string("\0\0\0\x0CjP  \r\n\x87\n\0\0\0\x14"
                              "ftypjp2 \0\0\0\0jp2 ",
                              32)},
        // A PNG cut off before IEND.
        {"p.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x10\0\0\0\x10\x08\x02\0\0\0\0\0\0\0", 33)},
        // A JPEG that ends before its first scan.
        {"p.jpg",
         std::string("\xFF\xD8\xFF\xC2\0\x11\x08\x1F\x40\x1F\x40\x03\x01\x11\0\x02\x11\0\x03\x11\0\xFF\xD9", 23)},
    };
    for (const auto& [name, bytes] : files) {
        std::ofstream(name, std::ios::binary) << bytes;
        PictureHeader header;
        EXPECT_FALSE(ReadPictureHeader(name, header)) << name;
    }
}

// The guard refuses what would take more than 64 MB before any decoder sees
// it; the ordinary pictures among them are drawn at their true size, the V5
// BMPs in their own colours.
TEST_F(HostilePictures, OnlyTheOrdinaryPicturesOfTheSetAreDecoded) {
    const std::vector<hostile::Made> set = hostile::WriteAll("pictures", hostile::Weight::Light);
    std::map<std::string, hostile::ColouredBmp> colours;
    for (const hostile::ColouredBmp& bmp : hostile::WriteV5Bmps("pictures")) colours[bmp.name] = bmp;
    for (const hostile::Made& made : set) {
        const auto started = std::chrono::steady_clock::now();
        std::unique_ptr<PreparedPicture> picture =
            PreparePictureForCanvas(("pictures/" + made.name).c_str(), 1024, 768);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        RecordProperty(made.name + "_ms", std::to_string(ms));
        ASSERT_EQ(picture != nullptr, made.drawn) << made.name;
        if (!picture) continue;
        if (made.name == "decoy.jp2") {
            EXPECT_EQ(picture->sourceWidth, 48u);
            EXPECT_EQ(picture->sourceHeight, 36u);
            continue;
        }
        const hostile::ColouredBmp& bmp = colours.at(made.name);
        EXPECT_EQ(picture->sourceWidth, 64u) << made.name;
        EXPECT_EQ(picture->width, 64u) << made.name;
        ASSERT_GE(picture->bits.size(), 3u);
        // Five bits a channel widen to 248 or 255, as the reader chooses.
        EXPECT_NEAR(picture->bits[0], bmp.blue, 7) << made.name;
        EXPECT_NEAR(picture->bits[1], bmp.green, 7) << made.name;
        EXPECT_NEAR(picture->bits[2], bmp.red, 7) << made.name;
    }
}

// A lock over the whole set: every key is answered, only the ordinary
// pictures are drawn, and the word ends the lock.
TEST_F(HostilePictures, ALockOverTheSetDrawsTheOrdinaryPicturesAndEndsByTheWord) {
    const std::vector<hostile::Made> set = hostile::WriteAll("pictures", hostile::Weight::Light);
    std::vector<std::string> names;
    size_t drawable = 0;
    for (const hostile::Made& made : set) {
        names.push_back(made.name);
        drawable += made.drawn;
    }
    Lock(names);
    for (size_t n = 0; n < set.size(); ++n) Press({CodeFor(n, set.size())});
    EXPECT_EQ(Count("PlaySoundA(./sounds/s.wav"), set.size());
    EXPECT_EQ(Count("StretchDIBits"), drawable);
    EXPECT_EQ(Count("StretchBlt"), set.size()) << "every key is shown, drawn or not";
    Press({'W', 'R', 'E', 'N'});
    EXPECT_FALSE(locked);
}

// Message 0x8011 is only a hint: a forged one (any program can post it)
// takes nothing and frees nothing.
TEST_F(HostilePictures, AForgedPictureMessageDoesNothing) {
    WriteBmp("pictures/a.bmp", 40, 30);
    Lock({"a.bmp"});
    Press({'A'});
    fake::calls.clear();
    int notAJob = 0;
    MainWindowProc(kWindow, WM_LOCK_PICTURE, 7, reinterpret_cast<LParam>(&notAJob));
    MainWindowProc(kWindow, WM_LOCK_PICTURE, 0, 0);
    EXPECT_TRUE(fake::calls.empty());
    EXPECT_EQ(pictureCache.Count(), 1u);
}

// One decoder per process: a decoding still under way when a lock ends holds
// the next lock's pictures back rather than running beside them, and its late
// result is let go.
TEST_F(HostilePictures, OneDecoderAtATimeAcrossLocksAndLateResultsAreLetGo) {
    WriteBmp("pictures/a.bmp", 40, 30);
    WriteBmp("pictures/b.bmp", 80, 20);
    Lock({"a.bmp", "b.bmp"});
    Press({'A'});  // 65 mod 2: b.bmp, after the lists, decoded and drawn
    EXPECT_EQ(fake::lockScreen.regularFileChecks, 1);
    fake::lockScreen.holdBackground = true;
    Press({'B'});  // a.bmp: its decoding held
    EXPECT_EQ(fake::lockScreen.regularFileChecks, 1) << "the window thread never looks at the file";
    Press({'W', 'R', 'E', 'N'});
    EXPECT_FALSE(locked);

    locked = true;
    fake::script.windowVisible = true;
    fake::calls.clear();
    Press({'A'});  // the new lock's lists and b.bmp wait: the decoder is busy
    EXPECT_EQ(Count("RunInBackground"), 0u);
    EXPECT_EQ(Count("StretchDIBits"), 0u);
    fake::lockScreen.holdBackground = false;
    fake::RunHeldTasks();  // the first lock's decoding reports
    DeliverPosted();
    EXPECT_EQ(Count("RunInBackground"), 2u) << "then the lists and the waiting key's picture, one after the other";
    ASSERT_EQ(fake::CallsStartingWith("StretchDIBits").size(), 1u);
    EXPECT_NE(fake::CallsStartingWith("StretchDIBits")[0].find(",0,0,80,20,bits,"), std::string::npos);
    EXPECT_EQ(pictureCache.Count(), 1u) << "the ended lock's a.bmp is not kept";
}

// A result whose message is lost (a full queue) is taken at the next report;
// no thread to be had draws nothing, never decodes on the window's thread.
TEST_F(HostilePictures, ALostResultMessageOrNoThreadCostsOneKeysPictureOnly) {
    WriteBmp("pictures/a.bmp", 40, 30);
    WriteBmp("pictures/b.bmp", 80, 20);
    Lock({"a.bmp", "b.bmp"});
    fake::script.postsFail = true;
    OnLockKey(kWindow, 'B');
    OnLockDraw(kWindow);  // a.bmp decoded; its message lost
    EXPECT_EQ(Count("StretchDIBits"), 0u);
    fake::script.postsFail = false;
    Press({'B'});
    EXPECT_EQ(Count("StretchDIBits"), 1u) << "the result waiting in the decoder is taken";
    EXPECT_EQ(pictureCache.Count(), 1u);

    fake::lockScreen.noThreads = true;
    fake::calls.clear();
    Press({'A'});  // b.bmp: no thread
    EXPECT_EQ(Count("StretchDIBits"), 0u);
    EXPECT_EQ(Count("StretchBlt"), 1u) << "the key is still shown";
    EXPECT_EQ(fake::lockScreen.regularFileChecks, 1) << "only the decoder thread that ran looked at a file";
    fake::lockScreen.noThreads = false;
    Press({'A'});
    EXPECT_EQ(Count("StretchDIBits"), 1u) << "the next key tries again";
}

#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
// Memory running out in the decoder fails that picture only: in a child
// process whose address space ends 24 MB above its current use, a picture
// that needs more comes back as nothing, and a small one after it is drawn.
TEST_F(HostilePictures, AnAllocationFailureFailsThatPictureOnly) {
    WriteBmp("pictures/big.bmp", 4000, 3000);  // 36 MB as decoded: within the guard
    WriteBmp("pictures/small.bmp", 40, 30);
    PictureHeader warm;
    ReadPictureHeader("pictures/small.bmp", warm);  // the library's own set-up before the limit
    PreparePicture("pictures/small.bmp", warm, 546, UINT32_MAX);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long pages = 0;
        if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
            std::fclose(statm);
        }
        const rlim_t limit = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (24u << 20);
        const rlimit space{limit, limit};
        if (pages == 0 || setrlimit(RLIMIT_AS, &space) != 0) _exit(3);
        PictureHeader header;
        if (!ReadPictureHeader("pictures/big.bmp", header)) _exit(4);
        if (PreparePicture("pictures/big.bmp", header, 546, UINT32_MAX)) _exit(5);  // needs more than is left
        if (!ReadPictureHeader("pictures/small.bmp", header)) _exit(6);
        _exit(PreparePicture("pictures/small.bmp", header, 546, UINT32_MAX) ? 0 : 7);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

}  // namespace
}  // namespace lockscreen_test
