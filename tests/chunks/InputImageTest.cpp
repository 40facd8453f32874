#include <gtest/gtest.h>

#include "chunks/InputImage.h"

TEST(InputImage, StartsWithOneWholeImageChunkAndOwnsACopyOfThePixels) {
    std::vector<uint32_t> external(6, 0xFF112233u);
    PixelBuffer loaded(3, 2, external.data());  // refers to memory it does not own
    InputImage image(loaded);
    external[0] = 0;
    EXPECT_EQ(image.pixels().at(0, 0), 0xFF112233u);
    ASSERT_EQ(image.chunkCount(), 1u);
    const Chunk& chunk = image.current();
    EXPECT_EQ(chunk.bounds, Box(0, 0, 2, 1));
    EXPECT_EQ(chunk.probability, Chunk::kUnassigned);
    EXPECT_EQ(chunk.outerMask.count(), 0u);
    EXPECT_FALSE(chunk.empty);
    EXPECT_EQ(image.currentChunkIndex(), 1u);
}

TEST(InputImage, RemoveChunkKeepsTheLastChunkAndMovesCurrentToTheFollower) {
    InputImage image(PixelBuffer(4, 4));
    EXPECT_FALSE(image.removeChunk(0));
    EXPECT_EQ(image.chunkCount(), 1u);
    image.addChunk();
    image.addChunk();
    for (size_t i = 0; i < 3; ++i)
        image.chunk(i)->probability = float(i);  // tells the chunks apart
    EXPECT_EQ(image.currentChunkIndex(), 3u);
    EXPECT_FALSE(image.removeChunk(3));
    EXPECT_TRUE(image.removeChunk(2));  // the current last chunk: the first takes over
    EXPECT_EQ(image.currentChunk(), 0u);
    image.addChunk();
    image.chunk(2)->probability = 2.0f;
    image.setCurrentChunk(1);
    EXPECT_TRUE(image.removeChunk(0));  // before the current one: current stays on its chunk
    EXPECT_EQ(image.current().probability, 1.0f);
    EXPECT_TRUE(image.removeChunk(0));  // the current one: its follower takes over
    EXPECT_EQ(image.current().probability, 2.0f);
}

TEST(InputImage, NextChunkWrapsFromLastToFirst) {
    InputImage image(PixelBuffer(4, 4));
    image.addChunk();
    image.addChunk();
    image.nextChunk();
    EXPECT_EQ(image.currentChunkIndex(), 1u);
    image.nextChunk();
    EXPECT_EQ(image.currentChunkIndex(), 2u);
    EXPECT_FALSE(image.setCurrentChunk(3));
    EXPECT_EQ(image.currentChunkIndex(), 2u);
}

TEST(InputImage, FilteredCopyIsCachedPerRadiusAndDroppedWhenSwitchedOff) {
    PixelBuffer ramp(32, 8);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 32; ++x)
            ramp.at(x, y) = makePixel(255, x * 8, 0, 0);
    InputImage image(ramp);
    EXPECT_EQ(&image.workingPixels(), &image.pixels());
    image.setFilterRadius(10);
    EXPECT_EQ(image.filtered().count(), 0u);
    const PixelBuffer& filtered = image.workingPixels();
    EXPECT_EQ(&filtered, &image.filtered());
    EXPECT_NE(filtered.at(16, 4), ramp.at(16, 4));
    const uint32_t* cached = image.filtered().pixels();
    image.setFilterRadius(10);
    EXPECT_EQ(image.workingPixels().pixels(), cached);
    image.setFilterRadius(0);
    EXPECT_EQ(image.filtered().count(), 0u);
    EXPECT_EQ(&image.workingPixels(), &image.pixels());
}
