#include <gtest/gtest.h>

#include "engine/PixelBuffer.h"
#include "host/HostPixelCodec.h"

namespace {

TransferMode modeOf(int16_t colourClass, int channels, bool sixteenBit, uint32_t background = 0xFF000000) {
    TransferMode mode;
    mode.colourClass = colourClass;
    mode.channels = channels;
    mode.sixteenBit = sixteenBit;
    mode.bytesPerPixel = channels * (sixteenBit ? 2 : 1);
    mode.background = background;
    return mode;
}

} // namespace

TEST(HostPixelCodec, SixteenBitSamplesMapToTheHostsFifteenBitScale) {
    const struct {
        uint16_t sample16;
        uint8_t sample8;
    } down[] = {{0, 0}, {1, 0}, {128, 0}, {129, 1}, {256, 1}, {16384, 127}, {32768, 255}, {65535, 255}};
    for (const auto& c : down)
        EXPECT_EQ(HostPixelCodec::to8Bit(c.sample16), c.sample8) << c.sample16;
    const struct {
        uint8_t sample8;
        uint16_t sample16;
    } up[] = {{0, 0}, {1, 256}, {127, 16384}, {255, 32768}};
    for (const auto& c : up)
        EXPECT_EQ(HostPixelCodec::to16Bit(c.sample8), c.sample16) << int(c.sample8);
}

TEST(HostPixelCodec, FlatteningBlendsOverTheBackgroundAndTruncates) {
    const uint32_t background = makePixel(255, 255, 255, 0);
    EXPECT_EQ(HostPixelCodec::flatten(0xFF102030, background), 0xFF102030u);
    EXPECT_EQ(HostPixelCodec::flatten(0x00102030, background), background);
    // 16 * 128 + 255 * 127 = 34433 -> 135; 32 * 128 + 255 * 127 = 36481 -> 143; 48 * 128 / 255 = 24
    EXPECT_EQ(HostPixelCodec::flatten(makePixel(128, 16, 32, 48), background), makePixel(128, 135, 143, 24));
}

TEST(HostPixelCodec, GreyIsWeightedAndTakesAlphaFromItsSecondChannel) {
    const HostColourServices none(nullptr);
    const HostPixelCodec withAlpha(modeOf(kSpaceGray, 2, false), none);
    uint8_t pixel[2] = {};
    // (11 * 200 + 16 * 100 + 5 * 40) >> 5 = 4000 >> 5 = 125
    withAlpha.write(makePixel(77, 200, 100, 40), pixel);
    EXPECT_EQ(pixel[0], 125);
    EXPECT_EQ(pixel[1], 77);
    EXPECT_EQ(withAlpha.read(pixel), makePixel(77, 125, 125, 125));

    const HostPixelCodec opaque(modeOf(kSpaceGray, 1, false), none);
    const uint8_t grey[1] = {9};
    EXPECT_EQ(opaque.read(grey), makePixel(255, 9, 9, 9));
}

TEST(HostPixelCodec, SixteenBitRgbCarriesItsAlphaPlane) {
    const HostPixelCodec codec(modeOf(kSpaceRGB, 4, true), HostColourServices(nullptr));
    const uint16_t in[4] = {32768, 0, 256, 16384};
    EXPECT_EQ(codec.read(reinterpret_cast<const uint8_t*>(in)), makePixel(127, 255, 0, 1));
    uint16_t out[4] = {};
    codec.write(makePixel(255, 255, 1, 0), reinterpret_cast<uint8_t*>(out));
    EXPECT_EQ(out[0], 32768);
    EXPECT_EQ(out[1], 256);
    EXPECT_EQ(out[2], 0);
    EXPECT_EQ(out[3], 32768);
}

// Without colour services the components pass unchanged, as the host's conversion leaves them.
TEST(HostPixelCodec, CmykIsNeverFlattenedAndKeepsComponentsWhenTheHostCannotConvert) {
    const HostPixelCodec codec(modeOf(kSpaceCMYK, 4, false, 0xFFFFFFFF), HostColourServices(nullptr));
    uint8_t pixel[4] = {1, 2, 3, 4};
    codec.write(makePixel(0, 10, 20, 30), pixel);
    EXPECT_EQ(pixel[0], 10);
    EXPECT_EQ(pixel[1], 20);
    EXPECT_EQ(pixel[2], 30);
    EXPECT_EQ(pixel[3], 0);
    EXPECT_EQ(codec.read(pixel), makePixel(255, 10, 20, 30));
}
