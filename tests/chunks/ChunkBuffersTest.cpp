#include <gtest/gtest.h>

#include "chunks/ChunkBuffers.h"
#include "chunks/PreFilter.h"
#include "support/TextureLoader.h"

namespace {

bool samePixels(const PixelBuffer& a, const PixelBuffer& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels(), a.pixels() + a.count(), b.pixels());
}

}  // namespace

TEST(ChunkBuffers, WholeImageChunkWithoutLimitsGivesTheImageAndAZeroMap) {
    const PixelBuffer bark = loadTexture("bark_01.png");
    ASSERT_GT(bark.count(), 0u);
    InputImage image(bark);
    PixelBuffer pixels, map;
    makeChunkPixels(image, pixels);
    makeChunkMask(image, map);
    EXPECT_TRUE(samePixels(pixels, bark));
    EXPECT_TRUE(samePixels(map, PixelBuffer(bark.width(), bark.height())));
}

TEST(ChunkBuffers, OuterMaskCapsAlphaAndKeepsColours) {
    InputImage image(loadTexture("bricks_01.png"));
    Chunk& chunk = image.current();
    chunk.bounds = Box(10, 20, 19, 27);  // 10 x 8
    chunk.outerMask.reset(10, 8, 255);
    chunk.outerMask.at(0, 0) = 0;
    chunk.outerMask.at(9, 7) = 100;
    PixelBuffer out;
    makeChunkPixels(image, out);
    ASSERT_EQ(out.width(), 10u);
    ASSERT_EQ(out.height(), 8u);
    const PixelBuffer& source = image.pixels();
    EXPECT_EQ(out.at(0, 0), source.at(10, 20) & 0x00FFFFFFu);
    EXPECT_EQ(out.at(9, 7), (source.at(19, 27) & 0x00FFFFFFu) | (100u << 24));
    EXPECT_EQ(out.at(4, 3), source.at(14, 23));
}

TEST(ChunkBuffers, InnerMaskBecomesOpaqueGreyOfTheMaskBytes) {
    InputImage image(PixelBuffer(6, 6));
    Chunk& chunk = image.current();
    chunk.bounds = Box(1, 1, 3, 2);
    chunk.innerMask.reset(3, 2, 0);
    chunk.innerMask.at(2, 1) = 200;
    PixelBuffer map;
    makeChunkMask(image, map);
    ASSERT_EQ(map.count(), 6u);
    EXPECT_EQ(map.at(2, 1), makePixel(255, 200, 200, 200));
    EXPECT_EQ(map.at(0, 0), makePixel(255, 0, 0, 0));
}

TEST(ChunkBuffers, BoundsLeavingTheImageAreTransparentOutside) {
    PixelBuffer opaque(4, 4);
    std::fill(opaque.pixels(), opaque.pixels() + opaque.count(), 0xFF808080u);
    InputImage image(opaque);
    image.current().bounds = Box(-2, 2, 5, 6);  // 8 x 5, only 4 x 2 of it inside
    PixelBuffer out;
    makeChunkPixels(image, out);
    ASSERT_EQ(out.width(), 8u);
    ASSERT_EQ(out.height(), 5u);
    for (uint32_t y = 0; y < out.height(); ++y)
        for (uint32_t x = 0; x < out.width(); ++x)
            EXPECT_EQ(out.at(x, y), x >= 2 && x < 6 && y < 2 ? 0xFF808080u : 0u) << x << "," << y;
}

TEST(ChunkBuffers, EmptyOrUnallocatableBoundsGiveEmptyBuffers) {
    InputImage image(PixelBuffer(4, 4));
    PixelBuffer pixels(2, 2), map(2, 2);
    image.current().bounds = Box::empty();
    makeChunkPixels(image, pixels);
    makeChunkMask(image, map);
    EXPECT_EQ(pixels.count(), 0u);
    EXPECT_EQ(map.count(), 0u);
    image.current().bounds = Box(-2000000000, -2000000000, 2000000000, 2000000000);
    makeChunkPixels(image, pixels);
    EXPECT_EQ(pixels.count(), 0u);
    InputImage nothing{PixelBuffer()};
    makeChunkPixels(nothing, pixels);
    EXPECT_EQ(pixels.count(), 0u);
}

TEST(ChunkBuffers, PreFilteredImageGivesFilteredChunkPixels) {
    InputImage image(loadTexture("clouds_01.png"));
    image.setFilterRadius(5);
    image.current().bounds = Box(8, 8, 40, 30);
    PixelBuffer out;
    makeChunkPixels(image, out);
    const PixelBuffer filtered = highPassFilter(image.pixels(), 5);
    ASSERT_EQ(out.count(), 33u * 23u);
    bool differsFromUnfiltered = false;
    for (uint32_t y = 0; y < out.height(); ++y) {
        for (uint32_t x = 0; x < out.width(); ++x) {
            EXPECT_EQ(out.at(x, y), filtered.at(x + 8, y + 8));
            differsFromUnfiltered |= out.at(x, y) != image.pixels().at(x + 8, y + 8);
        }
    }
    EXPECT_TRUE(differsFromUnfiltered);
}
