#include <gtest/gtest.h>

#include "chunks/ChunkBuffers.h"
#include "chunks/PreFilter.h"
#include "support/Pictures.h"
#include "support/TextureLoader.h"

TEST(ChunkBuffers, OuterMaskCapsAlphaAndInnerMaskBecomesOpaqueGrey) {
    InputImage image(loadTexture("bricks.png"));
    Chunk& chunk = image.current();
    chunk.bounds = Box(10, 20, 19, 27);  // 10 x 8
    chunk.outerMask.reset(10, 8, 255);
    chunk.outerMask.at(0, 0) = 0;
    chunk.outerMask.at(9, 7) = 100;
    chunk.innerMask.reset(10, 8, 0);
    chunk.innerMask.at(4, 3) = 200;
    PixelBuffer out, map;
    makeChunkPixels(image, out);
    makeChunkMask(image, map);
    ASSERT_EQ(out.count(), 80u);
    const PixelBuffer& source = image.pixels();
    EXPECT_EQ(out.at(0, 0), source.at(10, 20) & 0x00FFFFFFu);
    EXPECT_EQ(out.at(9, 7), (source.at(19, 27) & 0x00FFFFFFu) | (100u << 24));
    EXPECT_EQ(out.at(4, 3), source.at(14, 23));
    ASSERT_EQ(map.count(), 80u);
    EXPECT_EQ(map.at(4, 3), makePixel(255, 200, 200, 200));
    EXPECT_EQ(map.at(0, 0), makePixel(255, 0, 0, 0));
}

TEST(ChunkBuffers, BoundsLeavingTheImageAreTransparentOutside) {
    InputImage image(filledPicture(4, 4, 0xFF808080u));
    image.current().bounds = Box(-2, 2, 5, 6);  // 8 x 5, of which 4 x 2 inside
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
    EXPECT_EQ(pixels.count() + map.count(), 0u);
    image.current().bounds = Box(-2000000000, -2000000000, 2000000000, 2000000000);
    makeChunkPixels(image, pixels);
    EXPECT_EQ(pixels.count(), 0u);
}

// Without limits a chunk is its part of the working picture: the image or its filtered copy.
TEST(ChunkBuffers, ChunkWithoutLimitsIsItsPartOfTheWorkingPictureWithAZeroMap) {
    for (int32_t radius : {0, 5}) {
        InputImage image(loadTexture("flagstones.png"));
        image.setFilterRadius(radius);
        image.current().bounds = Box(8, 8, 40, 30);
        PixelBuffer out, map;
        makeChunkPixels(image, out);
        makeChunkMask(image, map);
        const PixelBuffer working = radius ? highPassFilter(image.pixels(), radius) : image.pixels();
        EXPECT_TRUE(samePixels(out, crop(working, 8, 8, 33, 23))) << radius;
        EXPECT_TRUE(samePixels(map, PixelBuffer(33, 23))) << radius;
    }
}
