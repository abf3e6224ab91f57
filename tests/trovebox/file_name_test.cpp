#include <gtest/gtest.h>

#include "media_paths.h"

TEST(FileNameOf, TakesTheTextAfterTheLastSeparator) {
    EXPECT_EQ(FileNameOf("C:\\Kids\\cat.jpg"), "cat.jpg");
    EXPECT_EQ(FileNameOf("C:\\cat.jpg"), "cat.jpg");
    EXPECT_EQ(FileNameOf("cat.jpg"), "cat.jpg");
    EXPECT_EQ(FileNameOf("C:\\Kids\\"), "");
    EXPECT_EQ(FileNameOf("/home/kid/dog.png"), "dog.png");
}
