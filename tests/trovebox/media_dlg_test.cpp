// The main dialog's commands over the recording fakes: the lists, the
// open-file dialog, picture import (with the real image library, into a
// temporary media root), sounds, deletion, playing and the preview.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "fake_trovebox.h"
#include "media_app.h"
#include "media_dlg.h"
#include "media_root_fixture.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using trovefake::calls;
using trovefake::CallsStartingWith;
using trovefake::script;
using trovefake::Texts;

namespace {

DialogHandle const kMainWindow = reinterpret_cast<DialogHandle>(0x102);

// A picture of w x h with a gradient, in format, at path.
// 35 bytes: a GIF whose screen and image claim 65535 x 65535.
void WriteHugeGif(const fs::path& path) {
    std::ofstream(path, std::ios::binary)
        << std::string("GIF89a\xFF\xFF\xFF\xFF\x00\x00\x00\x2C\x00\x00\x00\x00\xFF\xFF\xFF\xFF\x00"
                       "\x02\x02\x44\x01\x00\x3B\0\0\0\0\0\0",
                       35);
}

void WritePicture(const fs::path& path, int w, int h, FREE_IMAGE_FORMAT format = FIF_BMP,
                  int bpp = 24) {
    FIBITMAP* image = FreeImage_Allocate(w, h, bpp, 0, 0, 0);
    ASSERT_NE(image, nullptr);
    for (int y = 0; y < h; ++y) {
        BYTE* row = FreeImage_GetBits(image) + y * FreeImage_GetPitch(image);
        for (int x = 0; x < w * bpp / 8; ++x) row[x] = static_cast<BYTE>(x * 7 + y * 3);
    }
    ASSERT_TRUE(FreeImage_Save(format, image, path.string().c_str(), 0));
    FreeImage_Unload(image);
}

struct Picture {
    FREE_IMAGE_FORMAT format;
    unsigned width, height;
};
Picture ReadPicture(const fs::path& path) {
    FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.string().c_str(), 0);
    FIBITMAP* image = FreeImage_Load(format, path.string().c_str(), 0);
    if (!image) return {format, 0, 0};
    Picture picture{format, FreeImage_GetWidth(image), FreeImage_GetHeight(image)};
    FreeImage_Unload(image);
    return picture;
}

class MediaDialog : public MediaRootTest {
protected:
    void Open() {
        dialog.OnInitDialog(kMainWindow);
        calls.clear();
    }
    std::string Source(const std::string& name) const { return (root / "source" / name).string(); }
    std::string Stored(const char* folder, const std::string& name) const {
        return (root / folder / name).string();
    }
    // The open-file dialog's answer for several names chosen in source/.
    std::string Several(std::initializer_list<std::string> names) const {
        std::string buffer = (root / "source").string();
        for (const std::string& name : names) buffer += "|" + name;
        return buffer + "|";
    }
    void Touch(const fs::path& path, const std::string& content = "data") {
        std::ofstream(path, std::ios::binary) << content;
    }
};

}  // namespace

TEST(MediaApp, RunsTheMainDialogOnceTheControlsAreReady) {
    trovefake::Reset();
    CMediaApp app;
    EXPECT_EQ(app.InitInstance(), 0);
    EXPECT_THAT(calls, ElementsAre("InitCommonControls", "LoadIconA(128)", "DialogBoxParamA(102)"));
}

TEST_F(MediaDialog, InitSetsTheIconsTheMediaRootAndFillsBothLists) {
    script.currentDirectory = "C:\\Kids";
    script.separator = '\\';
    script.listings["./pictures/*"] = {".", "..", "dog.jpg", "Thumbs.db", "thumbs.db", "Cat.jpg",
                                       "Thumbs.db.bak", "album"};
    script.listings["./sounds/*"] = {".", "..", "Thumbs.db", "moo.wav"};
    // Temporary files of imports cut short, in the root and (older runs) among the pictures.
    script.listings["./~import*.tmp"] = {".", "~import12345678.tmp", "~import123456789.tmp", "~importx.tmp"};
    script.listings["./pictures/~import*.tmp"] = {"~import7.tmp"};
    EXPECT_TRUE(dialog.OnInitDialog(kMainWindow));
    EXPECT_EQ(dialog.mediaRoot, "C:\\Kids\\");
    EXPECT_EQ(calls.front(), "SendMessageA(WM_SETICON,1)");
    EXPECT_EQ(calls[1], "SendMessageA(WM_SETICON,0)");
    EXPECT_EQ(calls[2], "GetCurrentDirectoryA(260)");
    EXPECT_THAT(CallsStartingWith("DeleteFileA"),
                ElementsAre("DeleteFileA(\"C:\\Kids\\~import12345678.tmp\")",
                            "DeleteFileA(\"C:\\Kids\\pictures\\~import7.tmp\")"));
    EXPECT_EQ(CallsStartingWith("FindFirstFileA")[2], "FindFirstFileA(\"./pictures/*\")") << "after the clean-up";
    EXPECT_THAT(Texts(IDC_PICTURE_LIST),
                ElementsAre("album", "Cat.jpg", "dog.jpg", "thumbs.db", "Thumbs.db.bak"));
    EXPECT_THAT(Texts(IDC_SOUND_LIST), ElementsAre("moo.wav"));
    EXPECT_EQ(CallsStartingWith("FindClose").size(), 4u);
}

TEST_F(MediaDialog, MediaRootGetsOneSeparatorAndAnyLength) {
    script.currentDirectory = "C:\\";
    script.separator = '\\';
    dialog.OnInitDialog(kMainWindow);
    EXPECT_EQ(dialog.mediaRoot, "C:\\");
    EXPECT_TRUE(CallsStartingWith("FindClose").empty());  // missing folders: nothing to close

    // Longer than 260 characters: asked again with a buffer that fits.
    trovefake::Reset();
    script.currentDirectory = "C:\\" + std::string(300, 'k');
    CMediaDlg deep;
    deep.OnInitDialog(kMainWindow);
    EXPECT_EQ(deep.mediaRoot, script.currentDirectory + "\\");
    EXPECT_THAT(CallsStartingWith("GetCurrentDirectoryA"),
                ElementsAre("GetCurrentDirectoryA(260)", "GetCurrentDirectoryA(305)"));
}

TEST_F(MediaDialog, CommandsReachTheirHandlersThroughTheMessageMap) {
    Open();
    EXPECT_TRUE(dialog.OnCommand(IDC_PICTURE_LIST, kLbnSelChange));
    EXPECT_TRUE(dialog.OnCommand(IDC_PICTURE_LIST, kLbnSetFocus));
    EXPECT_THAT(calls, ElementsAre("InvalidateRect(430,40,630,240,1)", "InvalidateRect(430,40,630,240,1)"));
    calls.clear();
    EXPECT_FALSE(dialog.OnCommand(IDC_PICTURE_LIST, kLbnDblClk));
    EXPECT_FALSE(dialog.OnCommand(IDC_SOUND_LIST, kLbnSelChange));
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(dialog.OnCommand(IDC_ADD_SOUND, kBnClicked));
    EXPECT_THAT(CallsStartingWith("GetOpenFileNameA"),
                ElementsAre("GetOpenFileNameA(\"Wav Files|*.wav|All Files(*.*)|*.*||\",\"\",16384,0x80224)"));
}

TEST_F(MediaDialog, NotesTxtAmongThreeFilesIsReportedAndTheOthersStored) {
    Open();
    WritePicture(Source("cat.bmp"), 640, 480);
    WritePicture(Source("wide.png"), 97, 50, FIF_PNG);
    Touch(Source("notes.txt"), "not a picture");
    script.chosen = {Several({"cat.bmp", "notes.txt", "wide.png"})};
    dialog.OnCommand(IDC_ADD_PICTURE, kBnClicked);

    EXPECT_THAT(CallsStartingWith("GetOpenFileNameA"),
                ElementsAre(HasSubstr("\"Common Image Formats|*.bmp;*.gif;*.ico;*.jpg;*.jpeg;*.jif;"
                                      "*.mng;*.pcx;*.psd;*.pcd;*.jiff;*.pbm;*.pgm;*.tif;*.tiff;*.tga|"
                                      "All Files(*.*)|*.*||\",\"\",16384,0x80224)")));
    EXPECT_THAT(CallsStartingWith("SetDlgItemTextA"),
                ElementsAre("SetDlgItemTextA(1009,\"\")", "SetDlgItemTextA(1009,\"" + Source("cat.bmp") + "\")",
                            "SetDlgItemTextA(1009,\"" + Source("notes.txt") + "\")",
                            "SetDlgItemTextA(1009,\"" + Source("wide.png") + "\")"));
    EXPECT_THAT(CallsStartingWith("SendMessageA(1008"),
                ElementsAre("SendMessageA(1008,0x406,0,30)", "SendMessageA(1008,0x405,0,0)",
                            "SendMessageA(1008,0x405,0,0)", "SendMessageA(1008,0x405,0,0)"));
    EXPECT_THAT(CallsStartingWith("MessageBoxA"),
                ElementsAre("MessageBoxA(\"File: notes.txt - was not a recognizable image type and was "
                            "not added\n\",\"Trovebox\",0x30)"));
    // The box comes while the progress window is still up.
    EXPECT_EQ(calls.back(), "DestroyWindow(129)");
    EXPECT_THAT(Texts(IDC_PICTURE_LIST), ElementsAre("cat.bmp", "wide.png"));

    Picture cat = ReadPicture(Stored("pictures", "cat.bmp"));
    EXPECT_EQ(cat.format, FIF_JPEG);  // JPEG content under the chosen file's own name
    EXPECT_EQ(cat.width, 800u);
    EXPECT_EQ(cat.height, 600u);
    Picture wide = ReadPicture(Stored("pictures", "wide.png"));
    EXPECT_EQ(wide.format, FIF_JPEG);
    EXPECT_EQ(wide.width, 799u);
    EXPECT_EQ(wide.height, 412u);
    EXPECT_FALSE(fs::exists(Stored("pictures", "notes.txt")));
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "pictures"), fs::directory_iterator()), 2);
}

TEST_F(MediaDialog, AllRecognisedMeansNoMessageAndTheNextDialogStartsInTheFolder) {
    Open();
    WritePicture(Source("a.bmp"), 30, 40);
    WritePicture(Source("b.bmp"), 40, 30);
    script.chosen = {Several({"a.bmp", "b.bmp"}), Source("a.bmp")};
    dialog.OnAddPicture();
    EXPECT_TRUE(CallsStartingWith("MessageBoxA").empty());
    dialog.OnAddSound();  // one file: its full path is the next initial name
    dialog.OnAddPicture();  // cancelled
    EXPECT_THAT(CallsStartingWith("GetOpenFileNameA"),
                ElementsAre(HasSubstr(",\"\",16384"), HasSubstr(",\"" + (root / "source").string() + "\",16384"),
                            HasSubstr(",\"" + Source("a.bmp") + "\",16384")));
    EXPECT_TRUE(CallsStartingWith("(buffer").empty());
    EXPECT_EQ(ReadPicture(Stored("pictures", "a.bmp")).height, 800u);
}

TEST_F(MediaDialog, TheSameNameImportedTwiceReplacesTheFileAndIsListedTwice) {
    Open();
    WritePicture(Source("cat.bmp"), 400, 300);
    script.chosen = {Source("cat.bmp"), Source("cat.bmp")};
    dialog.OnAddPicture();
    WritePicture(Source("cat.bmp"), 300, 400);
    dialog.OnAddPicture();
    EXPECT_THAT(Texts(IDC_PICTURE_LIST), ElementsAre("cat.bmp", "cat.bmp"));
    Picture cat = ReadPicture(Stored("pictures", "cat.bmp"));
    EXPECT_EQ(cat.width, 600u);
    EXPECT_EQ(cat.height, 800u);
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "pictures"), fs::directory_iterator()), 1);
}

TEST_F(MediaDialog, ImportFromThePicturesFolderRescalesInPlace) {
    Open();
    WritePicture(Stored("pictures", "own.bmp"), 1600, 1200);
    script.chosen = {Stored("pictures", "own.bmp")};
    dialog.OnAddPicture();
    Picture own = ReadPicture(Stored("pictures", "own.bmp"));
    EXPECT_EQ(own.format, FIF_JPEG);
    EXPECT_EQ(own.width, 800u);
    // Written to a temporary file in the pictures folder (the one place an
    // installed system lets its users write), then put in its place.
    std::vector<std::string> moves = CallsStartingWith("MoveFileExA");
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_THAT(moves[0], HasSubstr("MoveFileExA(\"" + (root / "pictures" / "~import").string()));
    EXPECT_THAT(moves[0], HasSubstr(".tmp\",\"" + Stored("pictures", "own.bmp") + "\",MOVEFILE_REPLACE_EXISTING)"));
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "pictures"), fs::directory_iterator()), 1);
}

TEST_F(MediaDialog, AFailedSaveIsReportedAndNotListed) {
    Open();
    // Nowhere to write: the pictures folder is missing.
    fs::remove_all(root / "pictures");
    WritePicture(Source("cat.bmp"), 64, 48);
    script.chosen = {Source("cat.bmp")};
    dialog.OnAddPicture();
    EXPECT_TRUE(Texts(IDC_PICTURE_LIST).empty());
    EXPECT_THAT(CallsStartingWith("MessageBoxA"),
                ElementsAre("MessageBoxA(\"File: cat.bmp - could not be read or stored and was not "
                            "added\n\",\"Trovebox\",0x30)"));
}

TEST_F(MediaDialog, ARecognisedButBrokenFileIsReportedNotListed) {
    Open();
    Touch(Source("broken.jpg"), "\xFF\xD8\xFF\xE0 truncated");
    script.chosen = {Source("broken.jpg")};
    dialog.OnAddPicture();
    EXPECT_TRUE(Texts(IDC_PICTURE_LIST).empty());
    EXPECT_THAT(CallsStartingWith("MessageBoxA"), ElementsAre(HasSubstr("File: broken.jpg - could not")));
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "pictures"), fs::directory_iterator()), 0);
}

// A file whose header claims more than the lock screen would ever draw is
// refused before its pixels are decoded; the others of the same choice are
// still added.
TEST_F(MediaDialog, APictureClaimingHugeSizesIsRefusedBeforeDecoding) {
    Open();
    WriteHugeGif(Source("huge.gif"));
    WritePicture(Source("cat.bmp"), 64, 48);
    script.chosen = {Several({"huge.gif", "cat.bmp"})};
    dialog.OnAddPicture();
    EXPECT_THAT(Texts(IDC_PICTURE_LIST), ElementsAre("cat.bmp"));
    EXPECT_THAT(CallsStartingWith("MessageBoxA"),
                ElementsAre("MessageBoxA(\"File: huge.gif - is larger than 64 megapixels and was not "
                            "added\n\",\"Trovebox\",0x30)"));
    EXPECT_FALSE(fs::exists(Stored("pictures", "huge.gif")));
}

TEST_F(MediaDialog, PicturesJpegCannotTakeAreConvertedFirst) {
    Open();
    WritePicture(Source("alpha.png"), 50, 40, FIF_PNG, 32);
    FIBITMAP* deep = FreeImage_AllocateT(FIT_RGB16, 40, 50, 48, 0, 0, 0);
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, deep, Source("deep.png").c_str(), 0));
    FreeImage_Unload(deep);
    FIBITMAP* grey = FreeImage_AllocateT(FIT_UINT16, 20, 20, 16, 0, 0, 0);
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, grey, Source("grey.png").c_str(), 0));
    FreeImage_Unload(grey);
    script.chosen = {Several({"alpha.png", "deep.png", "grey.png"})};
    dialog.OnAddPicture();
    EXPECT_TRUE(CallsStartingWith("MessageBoxA").empty());
    EXPECT_THAT(Texts(IDC_PICTURE_LIST), ElementsAre("alpha.png", "deep.png", "grey.png"));
    EXPECT_EQ(ReadPicture(Stored("pictures", "alpha.png")).width, 800u);
    EXPECT_EQ(ReadPicture(Stored("pictures", "deep.png")).height, 800u);
    EXPECT_EQ(ReadPicture(Stored("pictures", "grey.png")).format, FIF_JPEG);
}

TEST_F(MediaDialog, NoProgressWindowMeansNothingImported) {
    Open();
    WritePicture(Source("cat.bmp"), 64, 48);
    script.chosen = {Source("cat.bmp")};
    script.importWindowFails = true;
    dialog.OnAddPicture();
    EXPECT_TRUE(Texts(IDC_PICTURE_LIST).empty());
    EXPECT_FALSE(fs::exists(Stored("pictures", "cat.bmp")));
    EXPECT_TRUE(CallsStartingWith("SendMessageA(1008").empty());
}

TEST_F(MediaDialog, SoundsAreCopiedAndListedEvenWhenListedAlready) {
    Open();
    Touch(Source("moo.wav"), "RIFF moo");
    Touch(Source("song.mp3"), "ID3");
    script.chosen = {Several({"moo.wav", "song.mp3"}), Source("moo.wav")};
    dialog.OnAddSound();
    dialog.OnAddSound();
    EXPECT_THAT(Texts(IDC_SOUND_LIST), ElementsAre("moo.wav", "moo.wav", "song.mp3"));
    EXPECT_THAT(CallsStartingWith("CopyFileA"),
                ElementsAre("CopyFileA(\"" + Source("moo.wav") + "\",\"" + Stored("sounds", "moo.wav") + "\",0)",
                            "CopyFileA(\"" + Source("song.mp3") + "\",\"" + Stored("sounds", "song.mp3") + "\",0)",
                            "CopyFileA(\"" + Source("moo.wav") + "\",\"" + Stored("sounds", "moo.wav") + "\",0)"));
    std::ifstream copy(Stored("sounds", "song.mp3"));
    std::string content;
    std::getline(copy, content);
    EXPECT_EQ(content, "ID3");
}

TEST_F(MediaDialog, DeletingThreeSelectedLeavesTheOthers) {
    for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"}) Touch(root / "sounds" / name);
    script.listings["./sounds/*"] = {".", "..", "e.wav", "d.wav", "c.wav", "b.wav", "a.wav"};
    Open();
    trovefake::SelectTexts(IDC_SOUND_LIST, {"a.wav", "c.wav", "d.wav"});
    dialog.OnCommand(IDC_DELETE_SOUND, kBnClicked);
    EXPECT_THAT(Texts(IDC_SOUND_LIST), ElementsAre("b.wav", "e.wav"));
    EXPECT_THAT(CallsStartingWith("DeleteFileA"), ElementsAre("DeleteFileA(\"" + Stored("sounds", "d.wav") + "\")",
                                                              "DeleteFileA(\"" + Stored("sounds", "c.wav") + "\")",
                                                              "DeleteFileA(\"" + Stored("sounds", "a.wav") + "\")"));
    EXPECT_TRUE(CallsStartingWith("MessageBoxA").empty());
    EXPECT_TRUE(fs::exists(root / "sounds" / "b.wav"));
    EXPECT_FALSE(fs::exists(root / "sounds" / "c.wav"));

    // Pictures the same way; a file already gone still leaves the list.
    script.lists[IDC_PICTURE_LIST].items = {{"gone.jpg", true}, {"kept.jpg", false}};
    dialog.OnDeletePicture();
    EXPECT_THAT(Texts(IDC_PICTURE_LIST), ElementsAre("kept.jpg"));
    EXPECT_THAT(CallsStartingWith("DeleteFileA(\"" + Stored("pictures", "")),
                ElementsAre("DeleteFileA(\"" + Stored("pictures", "gone.jpg") + "\")"));
    EXPECT_TRUE(CallsStartingWith("InvalidateRect").empty());
}

// A folder or file the user may not change (Windows: the access list of a
// media folder, a read-only file): a sound that cannot be stored is not
// listed, a file that cannot be deleted keeps its entry and its selection,
// and one message names each of them; the rest of the command is done.
TEST_F(MediaDialog, WritesAndDeletesThatFailAreReportedByNameAndListNothingFalse) {
    Touch(root / "sounds" / "keep.wav");
    for (const char* name : {"old.jpg", "new.jpg", "one.jpg"}) Touch(root / "pictures" / name);
    Touch(root / "sounds" / "moo.wav", "old moo");
    script.listings["./sounds/*"] = {"keep.wav", "moo.wav"};
    script.listings["./pictures/*"] = {"new.jpg", "old.jpg", "one.jpg"};
    Open();
    Touch(Source("moo.wav"), "new moo");
    Touch(Source("baa.wav"), "baa");
    script.lockedPaths = {Stored("sounds", "moo.wav"), Stored("pictures", "old.jpg"), Stored("pictures", "one.jpg")};
    script.chosen = {Several({"moo.wav", "baa.wav"})};
    dialog.OnAddSound();
    EXPECT_THAT(Texts(IDC_SOUND_LIST), ElementsAre("baa.wav", "keep.wav", "moo.wav"));  // moo.wav not twice
    std::ifstream moo(Stored("sounds", "moo.wav"));
    std::string content;
    std::getline(moo, content);
    EXPECT_EQ(content, "old moo");

    trovefake::SelectTexts(IDC_PICTURE_LIST, {"new.jpg", "old.jpg", "one.jpg"});
    dialog.OnDeletePicture();
    EXPECT_THAT(Texts(IDC_PICTURE_LIST), ElementsAre("old.jpg", "one.jpg"));
    EXPECT_EQ(ListGetSelCount(kMainWindow, IDC_PICTURE_LIST), 2);
    EXPECT_FALSE(fs::exists(Stored("pictures", "new.jpg")));
    EXPECT_THAT(
        CallsStartingWith("MessageBoxA"),
        ElementsAre("MessageBoxA(\"File: moo.wav - could not be stored and was not added\n\",\"Trovebox\",0x30)",
                    "MessageBoxA(\"File: old.jpg - could not be deleted\nFile: one.jpg - could not be deleted\n\","
                    "\"Trovebox\",0x30)"));
}

TEST_F(MediaDialog, NothingSelectedMeansNothingDone) {
    script.listings["./sounds/*"] = {"a.wav"};
    script.listings["./pictures/*"] = {"a.jpg"};
    Open();
    trovefake::SetCurrent(IDC_SOUND_LIST, "a.wav");
    dialog.OnDeleteSound();
    dialog.OnDeletePicture();
    dialog.OnPlaySound();
    EXPECT_TRUE(CallsStartingWith("DeleteFileA").empty());
    EXPECT_TRUE(CallsStartingWith("PlaySoundA").empty());
    EXPECT_THAT(Texts(IDC_SOUND_LIST), ElementsAre("a.wav"));
}

TEST_F(MediaDialog, PlayTakesTheCurrentItemEvenWhenCtrlDeselectedIt) {
    script.listings["./sounds/*"] = {"a.wav", "b.wav", "c.wav"};
    Open();
    // Three selected, then a Ctrl-click takes b.wav out and makes it current.
    trovefake::SelectTexts(IDC_SOUND_LIST, {"a.wav", "c.wav"});
    trovefake::SetCurrent(IDC_SOUND_LIST, "b.wav");
    dialog.OnCommand(IDC_PLAY_SOUND, kBnClicked);
    dialog.OnCommand(IDC_SOUND_LIST, kLbnDblClk);
    EXPECT_THAT(CallsStartingWith("PlaySoundA"),
                ElementsAre("PlaySoundA(\"" + Stored("sounds", "b.wav") + "\",0,0x20003)",
                            "PlaySoundA(\"" + Stored("sounds", "b.wav") + "\",0,0x20003)"));
}

TEST_F(MediaDialog, PreviewDrawsTheCurrentPictureNearestPixelInTheTopLeft) {
    WritePicture(Stored("pictures", "wide.jpg"), 1920, 1080, FIF_JPEG);
    WritePicture(Stored("pictures", "tall.bmp"), 600, 800);
    script.listings["./pictures/*"] = {"wide.jpg", "tall.bmp", "gone.jpg"};
    Open();
    trovefake::SelectTexts(IDC_PICTURE_LIST, {"wide.jpg"});
    trovefake::SetCurrent(IDC_PICTURE_LIST, "wide.jpg");
    dialog.OnPaint();
    EXPECT_EQ(calls[0], "IsIconic");
    EXPECT_EQ(calls[1], "DefaultPaint");
    EXPECT_THAT(std::vector<std::string>(calls.end() - 4, calls.end()),
                ElementsAre("GetDC", "SetStretchBltMode(dc,3)",
                            "StretchDIBits(dc,430,40,200,112,0,0,200,113,bits,info,0,0xcc0020)",
                            "ReleaseDC(dc)"));

    calls.clear();
    trovefake::SetCurrent(IDC_PICTURE_LIST, "tall.bmp");  // current, though not selected
    dialog.OnPaint();
    EXPECT_THAT(CallsStartingWith("StretchDIBits"),
                ElementsAre("StretchDIBits(dc,430,40,150,200,0,0,150,200,bits,info,0,0xcc0020)"));

    calls.clear();
    trovefake::SetCurrent(IDC_PICTURE_LIST, "gone.jpg");
    dialog.OnPaint();
    EXPECT_TRUE(CallsStartingWith("GetDC").empty());

    calls.clear();
    trovefake::SelectTexts(IDC_PICTURE_LIST, {});
    trovefake::SetCurrent(IDC_PICTURE_LIST, "wide.jpg");
    dialog.OnPaint();
    EXPECT_THAT(calls, ElementsAre("IsIconic", "DefaultPaint", "SendMessageA(1001,LB_GETSELCOUNT)"));
}

// The preview reads pictures as the lock screen does: what claims more than
// can be decoded draws nothing, a camera-sized JPEG is decoded small, and a
// picture of 16 bits a channel draws.
TEST_F(MediaDialog, PreviewSkipsOversizePicturesAndDecodesOnlyWhatTheSquareNeeds) {
    WritePicture(Stored("pictures", "camera.jpg"), 4000, 3000, FIF_JPEG);
    {
        FIBITMAP* deep = FreeImage_AllocateT(FIT_RGB16, 300, 100);
        ASSERT_TRUE(FreeImage_Save(FIF_PNG, deep, Stored("pictures", "deep.png").c_str(), 0));
        FreeImage_Unload(deep);
        WriteHugeGif(Stored("pictures", "huge.gif"));
    }
    script.listings["./pictures/*"] = {"camera.jpg", "deep.png", "huge.gif"};
    Open();
    const std::pair<const char*, const char*> cases[] = {
        {"camera.jpg", "StretchDIBits(dc,430,40,200,150,0,0,200,150,bits,info,0,0xcc0020)"},
        {"deep.png", "StretchDIBits(dc,430,40,200,66,0,0,200,67,bits,info,0,0xcc0020)"},
        {"huge.gif", nullptr}};
    for (auto [name, drawn] : cases) {
        calls.clear();
        trovefake::SelectTexts(IDC_PICTURE_LIST, {name});
        trovefake::SetCurrent(IDC_PICTURE_LIST, name);
        dialog.OnPaint();
        if (drawn) EXPECT_THAT(CallsStartingWith("StretchDIBits"), ElementsAre(drawn)) << name;
        else EXPECT_TRUE(CallsStartingWith("GetDC").empty()) << name;
    }
}

TEST_F(MediaDialog, MinimisedPaintDrawsTheIconInTheMiddle) {
    Open();
    script.iconic = true;
    script.clientWidth = 160;
    script.clientHeight = 25;
    dialog.OnPaint();
    EXPECT_THAT(calls, ElementsAre("IsIconic", "BeginPaint", "SendMessageA(WM_ICONERASEBKGND,paintDC)",
                                   "GetClientRect", "GetSystemMetrics(11)", "GetSystemMetrics(12)",
                                   "DrawIcon(paintDC,64,-3,appIcon)", "EndPaint"));
    EXPECT_EQ(dialog.OnQueryDragIcon(), reinterpret_cast<IconHandle>(0x128));
}
