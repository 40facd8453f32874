#include <gtest/gtest.h>

#include "chunks/ImageCollection.h"

namespace {

// An image whose chunks hold the given shares, added to `images`.
InputImage& addImageWithShares(ImageCollection& images, std::vector<float> shares) {
    InputImage& image = *images.find(images.addImage(PixelBuffer(4, 4)));
    for (size_t i = 1; i < shares.size(); ++i)
        image.addChunk();
    for (size_t i = 0; i < shares.size(); ++i)
        image.chunk(i)->probability = shares[i];
    return image;
}

std::vector<float> shares(const InputImage& image) {
    std::vector<float> result;
    for (const Chunk& chunk : image.chunks())
        result.push_back(chunk.probability);
    return result;
}

}  // namespace

TEST(ImageCollection, KeysAreNeverReusedAndRemovalPassesCurrentToTheNextKey) {
    ImageCollection images;
    for (uint32_t expected = 1; expected <= 3; ++expected)
        EXPECT_EQ(images.addImage(PixelBuffer(2, 2)), expected);
    ASSERT_TRUE(images.setCurrent(2));
    images.removeImage(2);
    EXPECT_EQ(images.currentKey(), 3u);
    EXPECT_EQ(images.addImage(PixelBuffer(2, 2)), 4u);
    images.removeImage(4);
    images.removeImage(3);  // the last key: the first image takes over
    EXPECT_EQ(images.currentKey(), 1u);
    EXPECT_FALSE(images.removeImage(3));
    images.removeImage(1);
    EXPECT_EQ(images.currentImage(), nullptr);
}

// A new (unassigned) chunk among two halves leaves three thirds; raising a share clamps the
// others at zero and carries the rest; without positive shares only the new chunk is assigned,
// and a share above 1 counts as 1.
TEST(ImageCollection, NormalisingSharesGivesWorkedShares) {
    const float x = Chunk::kUnassigned, third = 1.0f / 3.0f;
    const struct {
        std::vector<float> before;
        float raised;
        std::vector<float> after;
    } cases[] = {
        {{0.5f, 0.5f, x}, -1.0f, {third, third, third}},
        {{0.9f, 0.1f, x}, 0.5f, {0.5f, 0.0f, 0.5f}},
        {{0.0f, x}, 7.0f, {0.0f, 1.0f}},
    };
    for (const auto& c : cases) {
        ImageCollection images;
        const InputImage& image = addImageWithShares(images, c.before);
        images.normaliseProbabilities(c.raised);
        const std::vector<float> got = shares(image);
        ASSERT_EQ(got.size(), c.after.size());
        for (size_t i = 0; i < got.size(); ++i)
            EXPECT_NEAR(got[i], c.after[i], 1e-6f) << "raised " << c.raised << ", chunk " << i;
    }
    ImageCollection none;
    none.normaliseProbabilities(-1.0f);  // no chunk to divide the share among
    EXPECT_EQ(none.chunkCount(), 0u);
}

TEST(ImageCollection, DrawRandomChunkPicksTheChunkWhoseShareHoldsTheDrawElseKeepsTheCurrent) {
    ImageCollection images;
    addImageWithShares(images, {0.25f});
    InputImage& second = addImageWithShares(images, {0.25f, 0.5f});
    RandomGenerator random(99), twin(99);
    for (int draw = 0; draw < 100; ++draw) {
        images.drawRandomChunk(random);
        const float r = float(twin.next()) / 32767.0f;
        const int got = images.currentKey() == 1 ? 0 : 1 + int(second.currentChunk());
        if (std::abs(r - 0.25f) > 1e-4f && std::abs(r - 0.5f) > 1e-4f) {
            EXPECT_EQ(got, r < 0.25f ? 0 : (r < 0.5f ? 1 : 2)) << "r = " << r;
        }
    }
    for (int i = 0; i < 2; ++i)
        second.chunk(size_t(i))->probability = 0.0f;
    images.find(1)->chunk(0)->probability = 0.0f;
    images.setCurrent(1);
    images.drawRandomChunk(random);
    EXPECT_EQ(images.currentKey(), 1u);
}
