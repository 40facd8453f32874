#include <gtest/gtest.h>

#include "engine/Blending.h"
#include "support/Pictures.h"

// Worked pixels: half-transparent red over opaque blue; an opaque chunk pixel, or one over
// empty output, taken as it is; a transparent one leaving covered content alone; weights
// scaling the chunk's alpha (85 of an opaque pixel is a third of the new colour; over an empty
// pixel the colour is stored with alpha = chunk alpha * weight / 255).
TEST(Blending, WorkedPixels) {
    const struct {
        uint32_t old, chunk, weight, expected;
    } cases[] = {
        {makePixel(255, 0, 0, 255), makePixel(128, 255, 0, 0), 255, makePixel(255, 128, 0, 127)},
        {makePixel(255, 1, 2, 3), makePixel(255, 9, 8, 7), 255, makePixel(255, 9, 8, 7)},
        {makePixel(0, 1, 2, 3), makePixel(40, 9, 8, 7), 255, makePixel(40, 9, 8, 7)},
        {makePixel(200, 1, 2, 3), makePixel(0, 9, 8, 7), 255, makePixel(200, 1, 2, 3)},
        {makePixel(255, 0, 0, 0), makePixel(255, 255, 90, 0), 85, makePixel(255, 85, 30, 0)},
        {0, makePixel(200, 10, 20, 30), 170, makePixel(133, 10, 20, 30)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(blendMasked(c.old, c.chunk, c.weight), c.expected) << std::hex << c.old << " " << c.chunk;
        if (c.weight == 255) {
            EXPECT_EQ(blendOver(c.old, c.chunk), c.expected) << std::hex << c.old << " " << c.chunk;
        }
    }
}

namespace {

PixelBuffer numberedChunk(uint32_t w, uint32_t h) {
    PixelBuffer chunk(w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            chunk.at(x, y) = makePixel(255, x, y, 7);
    return chunk;
}

} // namespace

TEST(Blending, PasteWrapsAtTheRightAndBottomEdges) {
    PixelBuffer output(20, 8);
    PixelBuffer chunk = numberedChunk(10, 4);
    const Box written = plainPaste(output, BufferView(chunk, Box(0, 0, 9, 3)), Box(16, 6, 25, 9));
    EXPECT_EQ(written, Box(16, 6, 25, 9));
    // Columns 4..9 land in output columns 0..5; rows 2..3 in output rows 0..1.
    for (uint32_t x = 4; x < 10; ++x)
        EXPECT_EQ(output.at(x - 4, 7), chunk.at(x, 1));
    EXPECT_EQ(output.at(19, 6), chunk.at(3, 0));
    EXPECT_EQ(output.at(0, 0), chunk.at(4, 2));
    EXPECT_EQ(output.at(6, 0), 0u); // just past the chunk's last column
    EXPECT_EQ(output.at(10, 3), 0u);
}

TEST(Blending, MaskedPasteSkipsZeroWeightsAndUsesTheViewRegion) {
    PixelBuffer output(6, 6);
    for (uint32_t i = 0; i < output.count(); ++i)
        output.pixels()[i] = makePixel(255, 1, 1, 1);
    PixelBuffer chunk = numberedChunk(5, 5);
    MaskBuffer mask(2, 2, 0);
    mask.at(1, 0) = 255;
    mask.at(0, 1) = 85;
    const Box written = maskedPaste(output, BufferView(chunk, Box(2, 3, 3, 4)), mask, Box(5, 5, 6, 6));
    EXPECT_EQ(written, Box(5, 5, 6, 6));
    EXPECT_EQ(output.at(5, 5), makePixel(255, 1, 1, 1));
    EXPECT_EQ(output.at(0, 5), chunk.at(3, 3));
    EXPECT_EQ(output.at(5, 0), blendMasked(makePixel(255, 1, 1, 1), chunk.at(2, 4), 85));
    EXPECT_EQ(output.at(0, 0), makePixel(255, 1, 1, 1));
}

TEST(Blending, ShapesThatCannotWrapOnceWriteNothing) {
    PixelBuffer output(8, 8);
    PixelBuffer big = numberedChunk(9, 3);
    PixelBuffer small = numberedChunk(3, 3);
    const PixelBuffer before = output;
    EXPECT_TRUE(plainPaste(output, BufferView(big, Box(0, 0, 8, 2)), Box(0, 0, 8, 2)).isEmpty());
    EXPECT_TRUE(plainPaste(output, BufferView(small, Box(0, 0, 2, 2)), Box(8, 0, 10, 2)).isEmpty());
    EXPECT_TRUE(plainPaste(output, BufferView(small, Box(0, 0, 2, 2)), Box(-1, 0, 1, 2)).isEmpty());
    EXPECT_TRUE(plainPaste(output, BufferView(small, Box(1, 1, 3, 3)), Box(0, 0, 2, 2)).isEmpty());
    MaskBuffer wrongSize(2, 2, 255);
    EXPECT_TRUE(maskedPaste(output, BufferView(small, Box(0, 0, 2, 2)), wrongSize, Box(0, 0, 2, 2)).isEmpty());
    PixelBuffer empty;
    EXPECT_TRUE(plainPaste(empty, BufferView(small, Box(0, 0, 0, 0)), Box(0, 0, 0, 0)).isEmpty());
    EXPECT_EQ(pixelsOf(output), pixelsOf(before));
}

TEST(PixelBuffer, ExternalPixelsAreSharedNotCopied) {
    std::vector<uint32_t> host(6, 5u);
    PixelBuffer view = PixelBuffer::aliasing(3, 2, host.data());
    EXPECT_FALSE(view.ownsPixels());
    view.at(2, 1) = 9u;
    EXPECT_EQ(host[5], 9u);
    PixelBuffer copy = view; // still the host's memory
    copy.at(0, 0) = 4u;
    EXPECT_EQ(host[0], 4u);

    PixelBuffer owned = PixelBuffer::copyOf(3, 2, host.data());
    EXPECT_TRUE(owned.ownsPixels());
    PixelBuffer moved = std::move(owned);
    moved.at(0, 0) = 1u;
    EXPECT_EQ(host[0], 4u);
    EXPECT_EQ(moved.at(2, 1), 9u);
    PixelBuffer assigned;
    assigned = moved;
    assigned.at(1, 0) = 2u;
    EXPECT_EQ(moved.at(1, 0), 5u);
}
