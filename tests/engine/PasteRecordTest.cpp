#include <gtest/gtest.h>

#include "engine/DeepBlending.h"
#include "engine/PasteRecord.h"

namespace {

// A cut's mask: old content left of a wavy seam, feathered 85 | 170 across it, new on the right.
MaskBuffer seamMask(uint32_t w, uint32_t h) {
    MaskBuffer mask(w, h);
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t seam = w / 3 + (y / 7) % 5;
        for (uint32_t x = 0; x < w; ++x)
            mask.at(x, y) = x + 1 < seam ? 0 : x + 1 == seam ? 85 : x == seam ? 170 : 255;
    }
    return mask;
}

std::vector<uint8_t> bytesOf(const MaskBuffer& mask) { return {mask.bytes(), mask.bytes() + mask.count()}; }

} // namespace

// Runs of one pixel, runs across rows and runs longer than a varint byte holds all come back.
TEST(PasteRecord, CutWeightsComeBackExactlyAndWholePastesKeepNone) {
    PasteRecord record;
    const MaskBuffer wavy = seamMask(256, 256);
    MaskBuffer checker(9, 5);
    for (uint32_t i = 0; i < checker.count(); ++i)
        checker[i] = i % 3 == 0 ? 170 : i % 2 ? 255 : 85;
    record.recordCut({1, 0}, Box(0, 0, 255, 255), 700, 3, wavy);
    record.recordWhole({2, 4}, Box(5, 6, 14, 10), 0, 0);
    record.recordCut({1, 2}, Box(1, 1, 9, 5), 11, 12, checker);
    record.recordCut({1, 0}, Box(0, 0, 4999, 0), 0, 0, MaskBuffer(5000, 1, 255));
    ASSERT_TRUE(record.complete());
    ASSERT_EQ(record.size(), 4u);

    MaskBuffer out;
    ASSERT_TRUE(record.weights(0, out));
    EXPECT_EQ(bytesOf(out), bytesOf(wavy));
    EXPECT_FALSE(record.weights(1, out));
    ASSERT_TRUE(record.weights(2, out));
    EXPECT_EQ(bytesOf(out), bytesOf(checker));
    ASSERT_TRUE(record.weights(3, out));
    EXPECT_EQ(bytesOf(out), std::vector<uint8_t>(5000, 255));
    EXPECT_EQ(record[2].source, (ChunkSource{1, 2}));
    EXPECT_EQ(record[2].sourceBox, Box(1, 1, 9, 5));
    EXPECT_EQ(record[0].x, 700);
    // A seam mask costs a few bytes per row, far below a byte per pixel.
    EXPECT_LT(record.memoryBytes(), 256u * 256u / 8);
}

TEST(PasteRecord, WeightItCannotKeepOrMaskOfAnotherSizeMakesItIncomplete) {
    MaskBuffer odd = seamMask(20, 10);
    odd.at(3, 4) = 128;
    PasteRecord record;
    record.recordCut({1, 0}, Box(0, 0, 19, 9), 0, 0, odd);
    EXPECT_FALSE(record.complete());
    PasteRecord other;
    other.recordCut({1, 0}, Box(0, 0, 19, 10), 0, 0, seamMask(20, 10));
    EXPECT_FALSE(other.complete());
}

// The same weights as the 8-bit rules, on 16-bit colour: whole copies keep the low byte, a
// feathered pixel mixes the 16-bit values.
TEST(DeepBlending, WeightsMixSixteenBitColour) {
    const DeepPixel old{1000, 40000, 65535, 255};
    const DeepPixel chunk{0x1234, 0xABCD, 7, 255};
    EXPECT_EQ(deepBlendMasked(old, chunk, 255), chunk);
    // a = 85: (1000 * 170 + 4660 * 85) / 255 = 2220; (40000 * 170 + 43981 * 85) / 255 = 41327.
    EXPECT_EQ(deepBlendMasked(old, chunk, 85), (DeepPixel{2220, 41327, 43692, 255}));
    EXPECT_EQ(deepBlendMasked(old, chunk, 170), (DeepPixel{3440, 42654, 21849, 255}));
    // Over an empty pixel the colour is stored with alpha = chunk alpha * weight / 255.
    EXPECT_EQ(deepBlendMasked(DeepPixel{}, DeepPixel{9, 8, 7, 200}, 170), (DeepPixel{9, 8, 7, 133}));
    EXPECT_EQ(deepBlendOver(DeepPixel{5, 5, 5, 200}, DeepPixel{9, 8, 7, 0}), (DeepPixel{5, 5, 5, 200}));

    DeepPixelBuffer canvas(20, 8), chunkPixels(10, 4);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 10; ++x)
            chunkPixels.at(x, y) = DeepPixel{uint16_t(x * 257 + 1), uint16_t(y), 0, 255};
    MaskBuffer mask(10, 4, 255);
    mask.at(0, 0) = 0;
    EXPECT_EQ(deepMaskedPaste(canvas, chunkPixels, Box(0, 0, 9, 3), mask, Box(16, 6, 25, 9)), Box(16, 6, 25, 9));
    EXPECT_EQ(canvas.at(0, 7), chunkPixels.at(4, 1)); // wraps right and down
    EXPECT_EQ(canvas.at(16, 6), DeepPixel{});          // weight 0 skipped
    EXPECT_EQ(deepPlainPaste(canvas, chunkPixels, Box(0, 0, 9, 3), Box(20, 0, 29, 3)), Box::empty());
}
