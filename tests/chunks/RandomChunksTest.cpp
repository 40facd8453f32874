#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "chunks/ChunkLimits.h"
#include "chunks/RandomChunks.h"

namespace {

// A collection holding one width x height image whose single chunk has share 1, as after loading.
struct OneImage {
    ImageCollection images;
    uint32_t key;
    OneImage(uint32_t width, uint32_t height) : key(images.addImage(PixelBuffer(width, height))) {
        images.normaliseProbabilities(-1.0f);
    }
    InputImage& image() { return *images.find(key); }
};

float shareSum(const InputImage& image) {
    return std::accumulate(image.chunks().begin(), image.chunks().end(), 0.0f,
                           [](float sum, const Chunk& c) { return sum + c.probability; });
}

} // namespace

TEST(RandomChunks, FifthOfA200By100ImageGives40By20ChunksRowDrawnBeforeColumn) {
    OneImage one(200, 100);
    RandomGenerator random(7);
    ASSERT_TRUE(generateChunks(one.images, one.key, 100, 0.2f, random));
    ASSERT_EQ(one.image().chunkCount(), 101u);

    RandomGenerator replay(7);  // x0 in 0..160, y0 in 0..80
    for (size_t i = 1; i < one.image().chunkCount(); ++i) {
        const Chunk& chunk = *one.image().chunk(i);
        const int32_t y0 = replay.next() % 81;
        const int32_t x0 = replay.next() % 161;
        EXPECT_EQ(chunk.bounds, Box(x0, y0, x0 + 39, y0 + 19));
        EXPECT_EQ(chunk.outerMask.count(), 0u);
        EXPECT_FALSE(chunk.empty);
    }
}

// Tiny fractions give one-pixel chunks inside the image; the size is taken in float like the
// dialog's percentage (0.29 of 100 is 29, not 28).
TEST(RandomChunks, SmallFractionsGiveChunksOfTheirFloatSizeInsideTheImage) {
    OneImage tiny(3, 3), hundred(100, 100);
    RandomGenerator random(1);
    ASSERT_TRUE(generateChunks(tiny.images, tiny.key, 20, 0.05f, random));
    for (size_t i = 1; i < tiny.image().chunkCount(); ++i) {
        const Box& b = tiny.image().chunk(i)->bounds;
        EXPECT_EQ(b.width() * b.height(), 1);
        EXPECT_TRUE(b.x0 >= 0 && b.x0 <= 2 && b.y0 >= 0 && b.y0 <= 2);
    }
    ASSERT_TRUE(generateChunks(hundred.images, hundred.key, 1, 0.29f, random));
    EXPECT_EQ(hundred.image().chunk(1)->width(), 29);
}

// New chunks start at 1/2 and every share of every image moves by the same amount: three beside
// a whole-image chunk end at 3/16 each; two beside two images at 1/2 make four shares summing to
// 3/4.
TEST(RandomChunks, SharesAreNormalisedOverTheChunksOfEveryImage) {
    OneImage one(50, 40);
    RandomGenerator random(5);
    ASSERT_TRUE(generateChunks(one.images, one.key, 3, 0.5f, random));
    ASSERT_EQ(one.image().chunkCount(), 4u);
    for (const Chunk& chunk : one.image().chunks())
        EXPECT_NEAR(chunk.probability, 3.0f / 16.0f, 1e-6f);

    OneImage two(50, 40);
    const uint32_t other = two.images.addImage(PixelBuffer(20, 20));
    two.images.normaliseProbabilities(-1.0f);
    ASSERT_TRUE(generateChunks(two.images, two.key, 2, 0.3f, random));
    EXPECT_NEAR(shareSum(two.image()) + shareSum(*two.images.find(other)), 0.75f, 1e-6f);
    EXPECT_NEAR(two.images.find(other)->chunk(0)->probability, 0.1875f, 1e-6f);
}

TEST(RandomChunks, CurrentChunkAndItsSelectionStay) {
    OneImage one(60, 60);
    InputImage& image = one.image();
    image.addChunk();
    setBounds(image.current(), Box(5, 6, 20, 30));
    image.setCurrentChunk(0);
    one.images.normaliseProbabilities(-1.0f);
    RandomGenerator random(11);
    ASSERT_TRUE(generateChunks(one.images, one.key, 4, 0.25f, random));
    EXPECT_EQ(image.chunkCount(), 6u);
    EXPECT_EQ(image.currentChunk(), 0u);
    EXPECT_EQ(image.chunk(1)->bounds, Box(5, 6, 20, 30));
    EXPECT_EQ(one.images.currentKey(), ImageCollection::kNoKey);  // never made current here
}

TEST(RandomChunks, OutOfRangeRequestsNeitherCrashNorLeaveTheImage) {
    OneImage one(10, 8);
    RandomGenerator random(2);
    EXPECT_FALSE(generateChunks(one.images, one.key + 1, 3, 0.2f, random));
    EXPECT_FALSE(generateChunks(one.images, one.key, 0, 0.2f, random));
    EXPECT_EQ(one.image().chunkCount(), 1u);

    // Oversized, negative and NaN fractions: whole image, then 1 x 1 twice.
    ASSERT_TRUE(generateChunks(one.images, one.key, 1, 3.0f, random));
    ASSERT_TRUE(generateChunks(one.images, one.key, 1, -0.5f, random));
    ASSERT_TRUE(generateChunks(one.images, one.key, 1, NAN, random));
    EXPECT_EQ(one.image().chunk(1)->bounds, Box(0, 0, 9, 7));
    EXPECT_EQ(one.image().chunk(2)->width() * one.image().chunk(2)->height(), 1);
    EXPECT_EQ(one.image().chunk(3)->width() * one.image().chunk(3)->height(), 1);
    EXPECT_NEAR(shareSum(one.image()), 1.0f - 1.0f / 4.0f, 1e-6f);
}
