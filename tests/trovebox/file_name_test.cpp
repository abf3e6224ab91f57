// File names, the open-file dialog's selection buffer and the two size rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fake_trovebox.h"
#include "media_paths.h"
#include "picture_size.h"

TEST(FileNameOf, TakesTheTextAfterTheLastSeparator) {
    EXPECT_EQ(FileNameOf("C:\\Kids\\cat.jpg"), "cat.jpg");
    EXPECT_EQ(FileNameOf("C:\\cat.jpg"), "cat.jpg");
    EXPECT_EQ(FileNameOf("cat.jpg"), "cat.jpg");
    EXPECT_EQ(FileNameOf("C:\\Kids\\"), "");
    EXPECT_EQ(FileNameOf("/home/kid/dog.png"), "dog.png");
    trovefake::script.separator = '/';  // on Linux "\\" is part of a name
    EXPECT_EQ(FileNameOf("/home/kid/a\\b.wav"), "a\\b.wav");
    trovefake::script.separator = '\\';
}

namespace {
// A dialog buffer as the platform leaves it: "|" stands for a NUL.
std::string Buffer(const std::string& text) {
    std::string buffer(64, '\0');
    for (size_t i = 0; i < text.size(); ++i) buffer[i] = text[i] == '|' ? '\0' : text[i];
    return buffer;
}
std::vector<std::string> Chosen(const std::string& text, char separator = '\\') {
    std::string buffer = Buffer(text);
    return ChosenPaths(buffer.data(), buffer.size(), separator);
}
}  // namespace

TEST(SelectionBuffer, YieldsTheChosenFilesAsFullPaths) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Chosen("C:\\Kids\\cat.jpg"), V{"C:\\Kids\\cat.jpg"});
    EXPECT_EQ(Chosen("C:\\Kids|a.jpg|b.jpg|"), (V{"C:\\Kids\\a.jpg", "C:\\Kids\\b.jpg"}));
    // A root folder already ends in its separator: none is doubled.
    EXPECT_EQ(Chosen("C:\\|a.jpg|b.jpg|c.jpg|"), (V{"C:\\a.jpg", "C:\\b.jpg", "C:\\c.jpg"}));
    EXPECT_EQ(Chosen("/|a.png|b.png|", '/'), (V{"/a.png", "/b.png"}));
    EXPECT_EQ(Chosen("/home/kid|a.png|b.png|", '/'), (V{"/home/kid/a.png", "/home/kid/b.png"}));
    EXPECT_EQ(Chosen(""), V{});
}

TEST(SelectionBuffer, KeepsOnlyItsFirstStringForTheNextRun) {
    std::string buffer = Buffer("C:\\Kids|a.jpg|b.jpg|");
    KeepFirstString(buffer.data(), buffer.size());
    EXPECT_STREQ(buffer.c_str(), "C:\\Kids");
    EXPECT_EQ(buffer.find_first_not_of('\0', std::strlen("C:\\Kids")), std::string::npos);
}

TEST(SelectionBuffer, FilterPartsAreSeparatedByNuls) {
    EXPECT_EQ(FilterForDialog("Wav Files|*.wav|All Files(*.*)|*.*||"),
              std::string("Wav Files\0*.wav\0All Files(*.*)\0*.*\0\0", 36));
}

TEST(ImportSize, LongerSideBecomes800WithTheProductsTruncated) {
    struct Case { uint32_t w, h, storedW, storedH; };
    const Case cases[] = {
        {1024, 768, 800, 600}, {640, 480, 800, 600},  {4000, 3000, 800, 600}, {3000, 2000, 800, 533},
        {1920, 1080, 800, 450}, {600, 800, 600, 800}, {2000, 3000, 533, 800}, {100, 100, 800, 800},
        {97, 50, 799, 412},    {50, 97, 412, 799},
    };
    for (const Case& c : cases) {
        PictureSize size = ImportSize(c.w, c.h);
        EXPECT_EQ(size.width, c.storedW) << c.w << "x" << c.h;
        EXPECT_EQ(size.height, c.storedH) << c.w << "x" << c.h;
    }
    // Other lengths whose quotient rounds down as well.
    for (uint32_t side : {161u, 167u, 193u}) EXPECT_EQ(ImportSize(side, 10).width, 799u) << side;
}

TEST(PreviewDestination, LongerSideFills200PixelsFromTheTopLeftCorner) {
    struct Case { int32_t w, h, drawnW, drawnH; };
    const Case cases[] = {{800, 600, 200, 150}, {600, 800, 150, 200},  {1920, 1080, 200, 112},
                          {100, 100, 200, 200}, {799, 412, 200, 103}, {1, 1, 200, 200}};
    for (const Case& c : cases) {
        PreviewRect r = PreviewDestination(c.w, c.h);
        EXPECT_EQ(r.left, 430);
        EXPECT_EQ(r.top, 40);
        EXPECT_EQ(r.right - r.left, c.drawnW) << c.w << "x" << c.h;
        EXPECT_EQ(r.bottom - r.top, c.drawnH) << c.w << "x" << c.h;
    }
}
