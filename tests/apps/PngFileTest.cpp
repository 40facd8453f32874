#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TempFolder.h"
#include "apps/PngFile.h"
#include "support/TextureLoader.h"

namespace {

// Every alpha and colour byte value appears somewhere, so a channel swap or a premultiplication
// would show.
PixelBuffer testPattern() {
    PixelBuffer p(37, 23);
    for (uint32_t y = 0; y < p.height(); ++y)
        for (uint32_t x = 0; x < p.width(); ++x)
            p.at(x, y) = makePixel((x * 7 + y * 11) & 0xFF, (x * 13) & 0xFF, (y * 17) & 0xFF, (x + y * 37) & 0xFF);
    return p;
}

} // namespace

TEST(PngFile, WritesRgbaThatReadsBackBitExactAndLeavesNoTemporaryFile) {
    TempFolder folder;
    const PixelBuffer pattern = testPattern();
    std::string error;
    ASSERT_TRUE(PngFile::writeAtomically(pattern, folder.file("tile.png"), error)) << error;
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"tile.png"});

    const PixelBuffer back = loadPng(folder.file("tile.png"));
    ASSERT_EQ(back.width(), pattern.width());
    ASSERT_EQ(back.height(), pattern.height());
    for (uint32_t i = 0; i < pattern.count(); ++i)
        ASSERT_EQ(back.pixels()[i], pattern.pixels()[i]) << "pixel " << i;

    const std::string bytes = readFile(folder.file("tile.png"));
    ASSERT_GT(bytes.size(), 26u);
    EXPECT_EQ(bytes[24], 8); // bit depth
    EXPECT_EQ(bytes[25], 6); // colour type RGBA

    struct stat info {};
    ASSERT_EQ(stat(folder.file("tile.png").c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IRGRP, 0u) << "not left with the private mode of a temporary file";
}

TEST(PngFile, ReplacesAnExistingFileWhole) {
    TempFolder folder;
    writeFile(folder.file("tile.png"), std::string(100000, 'x'));
    std::string error;
    ASSERT_TRUE(PngFile::writeAtomically(testPattern(), folder.file("tile.png"), error)) << error;
    EXPECT_EQ(loadPng(folder.file("tile.png")).width(), 37u);
}

TEST(PngFile, FailureLeavesTheOldFileAndNoTemporaryFile) {
    TempFolder folder;
    std::string error;
    EXPECT_FALSE(PngFile::writeAtomically(testPattern(), folder.file("missing/tile.png"), error));
    EXPECT_NE(error.find("missing/tile.png"), std::string::npos) << error;

    // A folder standing where the file should go cannot be replaced by rename.
    ASSERT_EQ(mkdir(folder.file("taken.png").c_str(), 0755), 0);
    error.clear();
    EXPECT_FALSE(PngFile::writeAtomically(testPattern(), folder.file("taken.png"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"taken.png"});

    EXPECT_FALSE(PngFile::writeAtomically(PixelBuffer(), folder.file("empty.png"), error));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"taken.png"});
}
