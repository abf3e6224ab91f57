#include "lockscreen_fixture.h"

namespace lockscreen_test {
namespace {

using Strings = std::vector<std::string>;

Strings Names(const std::vector<DirectoryEntry>& list) {
    Strings names;
    for (const auto& entry : list) names.push_back(entry.name);
    return names;
}

using MediaLists = LockScreenTest;

TEST_F(MediaLists, PicturesTakeEveryEntryButDotsInEnumerationOrder) {
    ScriptFolders({".", "zebra.jpg", "..", "Thumbs.db", "sub", "apple.JPG"}, {"b.wav", "A.WAV"});
    RebuildMediaLists();
    EXPECT_EQ(Names(pictureList), (Strings{"zebra.jpg", "Thumbs.db", "sub", "apple.JPG"}));
    EXPECT_EQ(Names(soundList), (Strings{"b.wav", "A.WAV"}));
    EXPECT_EQ(fake::calls, (Strings{"FindFirstFileA(./pictures/*)", "FindNextFileA", "FindNextFileA", "FindNextFileA",
                                    "FindNextFileA", "FindNextFileA", "FindNextFileA", "FindClose",
                                    "FindFirstFileA(./sounds/*.wav)", "FindNextFileA", "FindNextFileA",
                                    "FindClose"}));
}

// Trovebox writes each import to a temporary file in the pictures folder
// first; one left by an import cut short is no picture. Names merely like it
// are pictures as any other.
TEST_F(MediaLists, AnImportsTemporaryFileIsNoPicture) {
    ScriptFolders({"~import12345678.tmp", "~import7.tmp", "~import123456789.tmp", "~importx.tmp", "~import.tmp",
                   "~import5.jpg", "cat.jpg"},
                  {});
    RebuildMediaLists();
    EXPECT_EQ(Names(pictureList),
              (Strings{"~import123456789.tmp", "~importx.tmp", "~import.tmp", "~import5.jpg", "cat.jpg"}));
}

TEST_F(MediaLists, OnlyDotsOrMissingFoldersGiveEmptyLists) {
    ScriptFolders({".", ".."}, {});
    RebuildMediaLists();
    EXPECT_TRUE(pictureList.empty());
    EXPECT_TRUE(soundList.empty());
    // No sounds handle: nothing to fetch or close.
    EXPECT_EQ(fake::CallsStartingWith("FindFirstFileA(./sounds").size(), 1u);
    EXPECT_EQ(fake::calls.back(), "FindFirstFileA(./sounds/*.wav)");
}

TEST_F(MediaLists, RebuildReplacesWhatTheLastLockRead) {
    ScriptFolders({"a", "b", "c"}, {"x.wav"});
    RebuildMediaLists();
    ScriptFolders({"d"}, {});
    RebuildMediaLists();
    EXPECT_EQ(Names(pictureList), Strings{"d"});
    EXPECT_TRUE(soundList.empty());
}

TEST_F(MediaLists, CodeModCountInUnsignedArithmetic) {
    ScriptFolders({"p0", "p1", "p2"}, {"s0.wav", "s1.wav"});
    RebuildMediaLists();
    char path[kMediaPathSize];
    PicturePathForCode(65, path);
    EXPECT_STREQ(path, "./pictures/p2");
    SoundPathForCode(65, path);
    EXPECT_STREQ(path, "./sounds/s1.wav");
    PicturePathForCode(513, path);  // left button: 513 mod 3 = 0
    EXPECT_STREQ(path, "./pictures/p0");
    SoundPathForCode(516, path);    // right button: 516 mod 2 = 0
    EXPECT_STREQ(path, "./sounds/s0.wav");
    PicturePathForCode(0xFFFFFFFFu, path);  // 4294967295 mod 3 = 0; as a signed value it would be -1
    EXPECT_STREQ(path, "./pictures/p0");

    ScriptFolders({"a", "b", "c", "d", "e"}, {});
    RebuildMediaLists();
    char other[kMediaPathSize];
    PicturePathForCode(65, path);
    PicturePathForCode(70, other);
    EXPECT_STREQ(path, "./pictures/a");
    EXPECT_STREQ(other, "./pictures/a");
}

TEST_F(MediaLists, LongestNameFitsThePath) {
    const std::string name(259, 'n');
    ScriptFolders({name}, {});
    RebuildMediaLists();
    char path[kMediaPathSize];
    PicturePathForCode(7, path);
    EXPECT_EQ(std::string(path), "./pictures/" + name);
}

}  // namespace
}  // namespace lockscreen_test
