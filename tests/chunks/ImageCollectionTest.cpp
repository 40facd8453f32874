#include <gtest/gtest.h>

#include "chunks/ImageCollection.h"

namespace {

PixelBuffer blank(uint32_t width, uint32_t height) { return PixelBuffer(width, height); }

std::vector<float> probabilities(const ImageCollection& images) {
    std::vector<float> result;
    for (const auto& [key, image] : images.images())
        for (const Chunk& chunk : image->chunks())
            result.push_back(chunk.probability);
    return result;
}

}  // namespace

TEST(ImageCollection, KeysAreNeverReused) {
    ImageCollection images;
    EXPECT_EQ(images.addImage(blank(4, 4)), 1u);
    EXPECT_EQ(images.addImage(blank(4, 4)), 2u);
    EXPECT_TRUE(images.removeImage(2));
    EXPECT_EQ(images.addImage(blank(4, 4)), 3u);
    EXPECT_EQ(images.find(2), nullptr);
    EXPECT_FALSE(images.removeImage(2));
}

TEST(ImageCollection, RemovingTheCurrentImagePassesToTheNextKeyThenWrapsThenNone) {
    ImageCollection images;
    for (int i = 0; i < 3; ++i)
        images.addImage(blank(2, 2));
    EXPECT_EQ(images.currentImage(), nullptr);
    ASSERT_TRUE(images.setCurrent(2));
    images.removeImage(2);
    EXPECT_EQ(images.currentKey(), 3u);
    images.removeImage(3);
    EXPECT_EQ(images.currentKey(), 1u);
    images.removeImage(1);
    EXPECT_EQ(images.currentKey(), ImageCollection::kNoKey);
    EXPECT_EQ(images.currentImage(), nullptr);
    EXPECT_FALSE(images.setCurrent(1));
}

TEST(ImageCollection, CountsChunksAndFindsSmallestWidthAndHeightSeparately) {
    ImageCollection images;
    EXPECT_EQ(images.minChunkSize(), Extent{});
    images.addImage(blank(30, 8));
    const uint32_t second = images.addImage(blank(12, 50));
    images.find(second)->addChunk();
    EXPECT_EQ(images.chunkCount(), 3u);
    EXPECT_EQ(images.minChunkSize(), (Extent{12, 8}));
}

TEST(ImageCollection, NewChunkAmongTwoHalvesLeavesThreeThirds) {
    ImageCollection images;
    InputImage& image = *images.find(images.addImage(blank(8, 8)));
    image.chunk(0)->probability = 0.5f;
    image.addChunk();
    image.chunk(1)->probability = 0.5f;
    image.addChunk();
    images.normaliseProbabilities(-1.0f);
    for (float p : probabilities(images))
        EXPECT_NEAR(p, 1.0f / 3.0f, 1e-6f);
}

TEST(ImageCollection, RaisingAShareClampsOthersAtZeroAndCarriesTheRest) {
    ImageCollection images;
    InputImage& image = *images.find(images.addImage(blank(8, 8)));
    image.addChunk();
    image.addChunk();
    image.chunk(0)->probability = 0.9f;
    image.chunk(1)->probability = 0.1f;
    image.chunk(2)->probability = Chunk::kUnassigned;  // the spin box's chunk, set to 50 %
    images.normaliseProbabilities(0.5f);
    const std::vector<float> p = probabilities(images);
    EXPECT_NEAR(p[0], 0.5f, 1e-6f);
    EXPECT_EQ(p[1], 0.0f);
    EXPECT_EQ(p[2], 0.5f);
}

TEST(ImageCollection, NormalisingWithoutPositiveSharesOnlyAssignsTheNewChunk) {
    ImageCollection images;
    InputImage& image = *images.find(images.addImage(blank(8, 8)));
    image.chunk(0)->probability = 0.0f;
    image.addChunk();
    images.normaliseProbabilities(7.0f);  // p above 1 counts as 1
    EXPECT_EQ(probabilities(images), (std::vector<float>{0.0f, 1.0f}));
    ImageCollection none;
    none.normaliseProbabilities(-1.0f);  // no chunk at all: nothing to divide by
    EXPECT_EQ(none.chunkCount(), 0u);
}

TEST(ImageCollection, DrawRandomChunkPicksTheChunkWhoseShareHoldsTheDraw) {
    ImageCollection images;
    const uint32_t first = images.addImage(blank(4, 4));
    const uint32_t second = images.addImage(blank(4, 4));
    images.find(first)->chunk(0)->probability = 0.25f;
    images.find(second)->addChunk();
    images.find(second)->chunk(0)->probability = 0.25f;
    images.find(second)->chunk(1)->probability = 0.5f;
    RandomGenerator random(99);
    RandomGenerator twin(99);
    std::vector<int> hits(3, 0);
    for (int draw = 0; draw < 200; ++draw) {
        images.drawRandomChunk(random);
        const float r = float(twin.next()) / 32767.0f;
        const int expected = r < 0.25f ? 0 : (r < 0.5f ? 1 : 2);
        const int got = images.currentKey() == first ? 0 : 1 + int(images.currentImage()->currentChunk());
        if (std::abs(r - 0.25f) > 1e-4f && std::abs(r - 0.5f) > 1e-4f) {
            EXPECT_EQ(got, expected) << "r = " << r;
        }
        ++hits[size_t(got)];
    }
    EXPECT_GT(hits[0], 0);
    EXPECT_GT(hits[1], 0);
    EXPECT_GT(hits[2], hits[0]);
}

TEST(ImageCollection, DrawRandomChunkKeepsTheCurrentChunkWhenSharesSumToZero) {
    ImageCollection images;
    const uint32_t first = images.addImage(blank(4, 4));
    const uint32_t second = images.addImage(blank(4, 4));
    images.find(first)->chunk(0)->probability = 0.0f;
    images.find(second)->chunk(0)->probability = 0.0f;
    images.setCurrent(second);
    RandomGenerator random(5);
    for (int draw = 0; draw < 20; ++draw)
        images.drawRandomChunk(random);
    EXPECT_EQ(images.currentKey(), second);
}
