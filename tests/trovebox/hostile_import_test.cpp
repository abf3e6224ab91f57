// The hostile picture files through the media manager's import: each one
// that must be refused is refused by name before it is decoded, the others
// are stored, and the import stays quick.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "fake_trovebox.h"
#include "hostile_pictures.h"
#include "media_dlg.h"
#include "media_root_fixture.h"

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using trovefake::CallsStartingWith;
using trovefake::script;
using trovefake::Texts;

namespace {

class HostileImport : public MediaRootTest {
protected:
    void SetUp() override {
        MediaRootTest::SetUp();
        dialog.OnInitDialog(reinterpret_cast<DialogHandle>(0x102));
    }
};

TEST_F(HostileImport, WhatMustBeRefusedIsRefusedByNameAndTheRestIsStored) {
    const std::string source = (root / "source").string();
    const std::vector<hostile::Made> set = hostile::WriteAll(source, hostile::Weight::Light);
    std::string chosen = source;
    for (const hostile::Made& made : set) chosen += "|" + made.name;
    script.chosen = {chosen + "|"};
    const auto started = std::chrono::steady_clock::now();
    dialog.OnAddPicture();
    RecordProperty(
        "import_ms",
        std::to_string(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count()));

    ASSERT_EQ(CallsStartingWith("MessageBoxA").size(), 1u);
    const std::string box = CallsStartingWith("MessageBoxA")[0];
    EXPECT_THAT(box, HasSubstr("File: text_chunks.png - would take more than 256 MB to read and was not added\n"));
    EXPECT_THAT(box, HasSubstr("File: progressive.jpg - would take more than 256 MB to read and was not added\n"));
    EXPECT_THAT(box, HasSubstr("File: fooled.mng - would take more than 256 MB to read and was not added\n"));
    EXPECT_THAT(box, HasSubstr("File: fooled.gif - is larger than 64 megapixels and was not added\n"));
    EXPECT_THAT(box, HasSubstr("File: unreadable.iff - could not be read or stored and was not added\n"));
    size_t refused = 0;
    for (const hostile::Made& made : set) {
        refused += !made.imported;
        EXPECT_EQ(box.find("File: " + made.name + " -") != std::string::npos, !made.imported) << made.name;
        EXPECT_EQ(fs::exists(root / "pictures" / made.name), made.imported) << made.name;
    }
    EXPECT_EQ(Texts(IDC_PICTURE_LIST).size(), set.size() - refused);

    // The V5 BMPs are stored as 800-pixel JPEGs of their own colour.
    for (const hostile::ColouredBmp& bmp : hostile::WriteV5Bmps(source)) {
        const std::string stored = (root / "pictures" / bmp.name).string();
        FIBITMAP* image = FreeImage_Load(FreeImage_GetFileType(stored.c_str(), 0), stored.c_str(), 0);
        ASSERT_NE(image, nullptr) << bmp.name;
        EXPECT_EQ(FreeImage_GetWidth(image), 800u) << bmp.name;
        EXPECT_EQ(FreeImage_GetHeight(image), 600u) << bmp.name;
        RGBQUAD middle{};
        FreeImage_GetPixelColor(image, 400, 300, &middle);
        // Five bits a channel widen to 248 or 255; JPEG moves a few more.
        EXPECT_NEAR(middle.rgbRed, bmp.red, 12) << bmp.name;
        EXPECT_NEAR(middle.rgbGreen, bmp.green, 12) << bmp.name;
        EXPECT_NEAR(middle.rgbBlue, bmp.blue, 12) << bmp.name;
        FreeImage_Unload(image);
    }
}

}  // namespace
