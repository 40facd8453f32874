#include <gtest/gtest.h>

#include <algorithm>

#include "chunks/PreFilter.h"
#include "engine/RandomGenerator.h"
#include "support/TextureLoader.h"

namespace {

// The window average written out as a plain sum, to check the running sums against.
int directAverage(const uint8_t* line, int64_t n, size_t stride, int64_t i, int64_t r) {
    const int64_t lo = std::max<int64_t>(0, i - r), hi = std::min(n - 1, i + r);
    int64_t sum = 0;
    for (int64_t k = lo; k <= hi; ++k)
        sum += line[size_t(k) * stride];
    return int(sum / (hi - lo + 1));
}

}  // namespace

TEST(PreFilter, RunningSumsEqualDirectSumsForEveryRadiusAndStride) {
    RandomGenerator random(7);
    for (size_t n : {1u, 2u, 7u, 40u}) {
        for (size_t stride : {1u, 4u}) {
            std::vector<uint8_t> src(n * stride), dst(n * stride, 0);
            for (uint8_t& b : src)
                b = uint8_t(random.next());
            for (int32_t r : {-3, 0, 1, 3, int32_t(n) - 1, 1000000}) {
                boxAverage(src.data(), dst.data(), n, stride, r);
                for (size_t i = 0; i < n; ++i)
                    ASSERT_EQ(dst[i * stride], directAverage(src.data(), int64_t(n), stride, int64_t(i), std::max(r, 0)))
                        << "n " << n << " stride " << stride << " r " << r << " i " << i;
            }
        }
    }
}

// Channel 3 of an opaque texture checks that its alpha stays opaque.
TEST(PreFilter, HighPassOfARealTextureEqualsDirectSums) {
    EXPECT_EQ(highPassFilter(PixelBuffer(), 3).count(), 0u);
    const PixelBuffer src = loadTexture("weave.png");
    const int64_t w = src.width(), h = src.height();
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(src.pixels());
    for (int r : {1, 10, 200}) {
        const PixelBuffer out = highPassFilter(src, r);
        const uint8_t* result = reinterpret_cast<const uint8_t*>(out.pixels());
        for (int c = 0; c < 4; ++c) {
            std::vector<uint8_t> vertical(src.count());
            int64_t total = 0;
            for (int64_t i = 0; i < w * h; ++i) {
                total += bytes[i * 4 + c];
                vertical[size_t(i)] = uint8_t(directAverage(bytes + (i % w) * 4 + c, h, size_t(w) * 4, i / w, r));
            }
            for (int64_t i = 0; i < w * h; ++i) {
                const int average = directAverage(vertical.data() + (i / w) * w, w, 1, i % w, r);
                const int expected = std::clamp(bytes[i * 4 + c] - average + int(total / (w * h)), 0, 255);
                ASSERT_EQ(result[i * 4 + c], expected) << "r " << r << " channel " << c << " at " << i;
            }
        }
    }
}

// The 16-bit filter keeps its values at 16 bits: red 0, 300, 60000 in a row, radius 1: averages
// 150, 20100, 30150 and mean 20100 give 19950, 300, 49950.
TEST(PreFilter, SixteenBitChannelsAreFilteredAtSixteenBits) {
    DeepPixelBuffer row(3, 1);
    row.at(0, 0).red = 0;
    row.at(1, 0).red = 300;
    row.at(2, 0).red = 60000;
    const DeepPixelBuffer out = highPassFilter(row, 1);
    EXPECT_EQ(out.at(0, 0).red, 19950);
    EXPECT_EQ(out.at(1, 0).red, 300);
    EXPECT_EQ(out.at(2, 0).red, 49950);
    EXPECT_EQ(out.at(1, 0).green, 0);
}
