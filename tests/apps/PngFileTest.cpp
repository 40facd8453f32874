#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TempFolder.h"
#include "apps/PngFile.h"
#include "support/TextureLoader.h"

// Every byte value turns up in every channel, so a swapped channel or a premultiplied colour
// would show; the file is RGBA with the usual permissions and nothing else is left behind.
TEST(PngFile, WritesRgbaThatReadsBackBitExact) {
    TempFolder folder;
    PixelBuffer pattern(37, 23);
    for (uint32_t y = 0; y < pattern.height(); ++y)
        for (uint32_t x = 0; x < pattern.width(); ++x)
            pattern.at(x, y) = makePixel((x * 7 + y * 11) & 0xFF, (x * 13) & 0xFF, (y * 17) & 0xFF, (x + y * 37) & 0xFF);
    std::string error;
    ASSERT_TRUE(PngFile::writeAtomically(pattern, folder.file("tile.png"), error)) << error;
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"tile.png"});

    const PixelBuffer back = loadPng(folder.file("tile.png"));
    ASSERT_EQ(back.count(), pattern.count());
    EXPECT_TRUE(std::equal(back.pixels(), back.pixels() + back.count(), pattern.pixels()));
    EXPECT_EQ(readFile(folder.file("tile.png")).substr(24, 2), std::string("\x08\x06")); // depth 8, RGBA
    struct stat info {};
    ASSERT_EQ(stat(folder.file("tile.png").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IRGRP, 0u) << "kept the private mode of a temporary file";
}

TEST(PngFile, FailureNamesTheFileAndLeavesNoTemporaryFile) {
    TempFolder folder;
    const PixelBuffer picture(4, 4);
    std::string error;
    EXPECT_FALSE(PngFile::writeAtomically(picture, folder.file("missing/tile.png"), error));
    EXPECT_NE(error.find("missing/tile.png"), std::string::npos) << error;
    // A folder where the file should go cannot be renamed over.
    ASSERT_EQ(mkdir(folder.file("taken.png").c_str(), 0755), 0);
    EXPECT_FALSE(PngFile::writeAtomically(picture, folder.file("taken.png"), error));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"taken.png"});
}
