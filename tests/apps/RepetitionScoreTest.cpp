#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "apps/RepetitionScore.h"
#include "engine/RandomGenerator.h"

namespace {

// Grey pictures, so that luminance is the grey level itself.
uint32_t grey(double v) {
    const uint32_t g = uint32_t(std::lround(std::clamp(v, 0.0, 255.0)));
    return makePixel(255, g, g, g);
}

std::vector<double> noise(size_t count, uint32_t seed) {
    std::vector<double> values(count);
    RandomGenerator random(seed);
    for (double& v : values)
        v = random.next() % 256;
    return values;
}

// share x a field repeating every `period` pixels in both directions + (1 - share) x noise.
PixelBuffer blend(uint32_t width, uint32_t height, uint32_t period, double share) {
    const std::vector<double> cell = noise(size_t(period) * period, 3);
    const std::vector<double> rest = noise(size_t(width) * height, 4);
    PixelBuffer picture(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            picture.at(x, y) = grey(share * cell[(y % period) * period + x % period] +
                                    (1.0 - share) * rest[size_t(y) * width + x]);
    return picture;
}

} // namespace

// Equal parts of a repeating field and of noise correlate half at the field's period; the
// whole field, fully. A period shorter than 1/8 of the side repeats at its multiples too,
// so the test periods lie beyond it: 64 in a 256-pixel tile, 32 in a 128 x 96 image.
TEST(RepetitionScore, EqualsTheShareOfTheRepeatingPart) {
    struct Case {
        double share;
        double low, high;
    };
    for (const Case& c : {Case{1.0, 0.97, 1.0}, Case{0.5, 0.42, 0.6}, Case{0.0, -1.0, 0.08}}) {
        const auto tile = RepetitionScore::ofTile(blend(256, 256, 64, c.share));
        ASSERT_TRUE(tile.has_value());
        EXPECT_GE(*tile, c.low) << c.share;
        EXPECT_LE(*tile, c.high) << c.share;
    }
    for (const Case& c : {Case{1.0, 0.95, 1.0}, Case{0.5, 0.42, 0.7}}) {
        const auto image = RepetitionScore::ofImage(blend(128, 96, 32, c.share));
        ASSERT_TRUE(image.has_value());
        EXPECT_GE(*image, c.low) << c.share;
        EXPECT_LE(*image, c.high) << c.share;
    }
}

// A period of 40 in a 96-pixel picture: an image repeats it over the whole overlap of each
// shift, while a tile wraps, and from column 56 on the wrapped copy is out of step with it.
TEST(RepetitionScore, ImagesCountTheOverlapAndTilesTheWrap) {
    const PixelBuffer picture = blend(96, 96, 40, 1.0);
    EXPECT_GT(*RepetitionScore::ofImage(picture), 0.93);
    EXPECT_NEAR(*RepetitionScore::ofTile(picture), 56.0 / 96.0, 0.06);
}

// Neighbouring pixels of smooth noise are alike, which is the texture's grain and not
// repetition: shifts within 1/8 of the side do not count.
TEST(RepetitionScore, ShortShiftsDoNotCount) {
    const std::vector<double> rough = noise(256 * 256, 8);
    PixelBuffer smooth(256, 256);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) {
            double sum = 0;
            for (int d = 0; d < 6; ++d)
                sum += rough[size_t(y) * 256 + (x + d) % 256];
            smooth.at(x, y) = grey(sum / 6);
        }
    EXPECT_LT(*RepetitionScore::ofTile(smooth), 0.08);
    EXPECT_FALSE(RepetitionScore::ofTile(PixelBuffer(7, 64)).has_value());
    PixelBuffer flat(64, 64);
    std::fill(flat.pixels(), flat.pixels() + flat.count(), grey(90));
    EXPECT_FALSE(RepetitionScore::ofTile(flat).has_value());
}
