#include <gtest/gtest.h>

#include <algorithm>

#include "chunks/PreFilter.h"
#include "engine/RandomGenerator.h"
#include "support/TextureLoader.h"

namespace {

// The window average written out as plain sums, to check the running sums against.
uint8_t directAverage(const uint8_t* line, size_t n, size_t stride, int64_t i, int64_t r) {
    const int64_t lo = std::max<int64_t>(0, i - r);
    const int64_t hi = std::min<int64_t>(int64_t(n) - 1, i + r);
    uint64_t sum = 0;
    for (int64_t k = lo; k <= hi; ++k)
        sum += line[size_t(k) * stride];
    return uint8_t(sum / uint64_t(hi - lo + 1));
}

uint8_t channel(uint32_t pixel, int c) { return uint8_t(pixel >> (8 * c)); }

// highPassFilter computed from direct window sums over the unfiltered pixel words.
PixelBuffer directHighPass(const PixelBuffer& src, int r) {
    const uint32_t w = src.width(), h = src.height();
    PixelBuffer out(w, h);
    for (int c = 0; c < 4; ++c) {
        std::vector<uint8_t> plane(src.count()), vertical(src.count());
        uint64_t total = 0;
        for (uint32_t i = 0; i < src.count(); ++i)
            total += plane[i] = channel(src.pixels()[i], c);
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                vertical[y * w + x] = directAverage(plane.data() + x, h, w, y, r);
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) {
                const int v = int(plane[y * w + x]) - directAverage(vertical.data() + y * w, w, 1, x, r) +
                              int(total / src.count());
                out.at(x, y) |= uint32_t(std::clamp(v, 0, 255)) << (8 * c);
            }
        }
    }
    return out;
}

bool samePixels(const PixelBuffer& a, const PixelBuffer& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::equal(a.pixels(), a.pixels() + a.count(), b.pixels());
}

}  // namespace

TEST(PreFilter, RunningSumsEqualDirectSumsForEveryRadiusAndStride) {
    RandomGenerator random(7);
    for (size_t n : {1u, 2u, 7u, 40u}) {
        for (size_t stride : {1u, 4u}) {
            std::vector<uint8_t> src(n * stride), dst(n * stride, 0);
            for (uint8_t& b : src)
                b = uint8_t(random.next());
            for (int32_t r : {-3, 0, 1, 3, int32_t(n) - 1, int32_t(n) + 5, 1000000}) {
                boxAverage(src.data(), dst.data(), n, stride, r);
                for (size_t i = 0; i < n; ++i)
                    ASSERT_EQ(dst[i * stride], directAverage(src.data(), n, stride, int64_t(i), std::max(r, 0)))
                        << "n " << n << " stride " << stride << " r " << r << " i " << i;
            }
        }
    }
}

TEST(PreFilter, HighPassOfARealTextureMatchesDirectComputation) {
    const PixelBuffer knit = loadTexture("knit_01.png");
    ASSERT_GT(knit.count(), 0u);
    for (int r : {1, 10, 200})
        EXPECT_TRUE(samePixels(highPassFilter(knit, r), directHighPass(knit, r))) << "r " << r;
}

TEST(PreFilter, UniformImageAndOpaqueAlphaStayUnchanged) {
    PixelBuffer uniform(9, 5);
    std::fill(uniform.pixels(), uniform.pixels() + uniform.count(), 0xFF3C7A19u);
    EXPECT_TRUE(samePixels(highPassFilter(uniform, 3), uniform));
    const PixelBuffer filtered = highPassFilter(loadTexture("flowers_01.png"), 6);
    ASSERT_GT(filtered.count(), 0u);
    for (uint32_t i = 0; i < filtered.count(); ++i)
        ASSERT_EQ(alphaOf(filtered.pixels()[i]), 255u);
}

TEST(PreFilter, WideRampFlattensToItsMeanAwayFromTheBorder) {
    const uint32_t width = 120, r = 8;
    PixelBuffer ramp(width, 6);
    for (uint32_t y = 0; y < 6; ++y)
        for (uint32_t x = 0; x < width; ++x)
            ramp.at(x, y) = makePixel(255, 2 * x, 0, 0);
    const PixelBuffer filtered = highPassFilter(ramp, int32_t(r));
    const uint32_t mean = 2 * (width - 1) / 2;
    for (uint32_t x = r; x < width - r; ++x)
        EXPECT_NEAR(double(redOf(filtered.at(x, 3))), double(mean), 1.0) << x;
    EXPECT_EQ(highPassFilter(PixelBuffer(), 4).count(), 0u);
}
