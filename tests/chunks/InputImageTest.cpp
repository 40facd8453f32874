#include <gtest/gtest.h>

#include "chunks/InputImage.h"

TEST(InputImage, OwnsACopyOfExternalPixelsAndStartsWithAWholeImageChunk) {
    std::vector<uint32_t> external(6, 0xFF112233u);
    InputImage image(PixelBuffer::aliasing(3, 2, external.data()));
    external[0] = 0;
    EXPECT_EQ(image.pixels().at(0, 0), 0xFF112233u);
    EXPECT_EQ(image.current().bounds, Box(0, 0, 2, 1));
}

TEST(InputImage, RemoveChunkKeepsTheLastChunkAndMovesCurrentToTheFollower) {
    InputImage image(PixelBuffer(4, 4));
    EXPECT_FALSE(image.removeChunk(0));
    for (int i = 1; i < 4; ++i)
        image.addChunk();
    for (size_t i = 0; i < 4; ++i)
        image.chunk(i)->probability = float(i);  // tells the chunks apart
    EXPECT_FALSE(image.removeChunk(4));
    EXPECT_TRUE(image.removeChunk(3));  // the current last chunk: the first takes over
    EXPECT_EQ(image.currentChunkIndex(), 1u);
    image.nextChunk();
    EXPECT_TRUE(image.removeChunk(0));  // before the current one: current stays on its chunk
    EXPECT_EQ(image.current().probability, 1.0f);
    EXPECT_TRUE(image.removeChunk(0));  // the current one: its follower takes over
    EXPECT_EQ(image.current().probability, 2.0f);
    image.nextChunk();  // wraps around a one-chunk list
    EXPECT_EQ(image.currentChunkIndex(), 1u);
}

TEST(InputImage, FilteredCopyIsCachedPerRadiusAndDroppedWhenSwitchedOff) {
    PixelBuffer ramp(32, 8);
    for (uint32_t x = 0; x < 32; ++x)
        ramp.at(x, 4) = makePixel(255, x * 8, 0, 0);
    InputImage image(ramp);
    image.setFilterRadius(10);
    EXPECT_EQ(image.filtered().count(), 0u);
    const uint32_t* cached = image.workingPixels().pixels();
    EXPECT_NE(image.workingPixels().at(16, 4), ramp.at(16, 4));
    image.setFilterRadius(10);
    EXPECT_EQ(image.workingPixels().pixels(), cached);
    image.setFilterRadius(0);
    EXPECT_EQ(image.filtered().count(), 0u);
    EXPECT_EQ(&image.workingPixels(), &image.pixels());
}
