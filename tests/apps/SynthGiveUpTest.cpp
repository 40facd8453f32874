#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "TempFolder.h"
#include "apps/PngFile.h"
#include "apps/SynthCommand.h"
#include "support/TextureLoader.h"

// A chunk whose only opaque part is a 6 x 6 square in its middle: on the grid those squares
// never reach most of the output, so the run gives up, says why, exits 1 and keeps the part done.
TEST(SynthProgram, RunThatCanNoLongerCoverTheOutputExitsWithTheReason) {
    TempFolder folder;
    PixelBuffer chunk(40, 40);
    for (uint32_t y = 17; y < 23; ++y)
        for (uint32_t x = 17; x < 23; ++x)
            chunk.at(x, y) = makePixel(255, 90, 60, 30);
    std::string error;
    ASSERT_TRUE(PngFile::writeAtomically(chunk, folder.file("square.png"), error)) << error;

    std::ostringstream out, err;
    EXPECT_EQ(SynthCommand(out, err, false)
                  .run({folder.file("square.png"), "-o", folder.file("tile.png"), "--size", "128x128", "--method",
                        "semi-regular"}),
              SynthCommand::kFailed);
    EXPECT_NE(err.str().find("gave up after 1025 steps: the chunks no longer cover any more of the output; wrote "
                             "the part synthesized so far"),
              std::string::npos)
        << err.str();
    const PixelBuffer tile = loadPng(folder.file("tile.png"));
    EXPECT_EQ(std::count_if(tile.pixels(), tile.pixels() + tile.count(), [](uint32_t p) { return alphaOf(p) == 255; }),
              25 * 36);
}
