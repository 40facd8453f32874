#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "apps/DemoTexture.h"
#include "engine/CostFunctions.h"

namespace {

int spread(uint32_t p) {
    const int r = int(redOf(p)), g = int(greenOf(p)), b = int(blueOf(p));
    return std::max({r, g, b}) - std::min({r, g, b});
}

} // namespace

TEST(DemoTexture, OpaqueColourfulAndAtLeast256Square) {
    const PixelBuffer demo = DemoTexture::make();
    ASSERT_GE(demo.width(), 256u);
    ASSERT_EQ(demo.width(), demo.height());
    size_t coloured = 0, bluish = 0, reddish = 0;
    for (size_t i = 0; i < demo.count(); ++i) {
        const uint32_t p = demo.pixels()[i];
        ASSERT_EQ(alphaOf(p), 255u);
        coloured += spread(p) >= 30;
        bluish += blueOf(p) > redOf(p) + 15;
        reddish += redOf(p) > blueOf(p) + 30;
    }
    // Several stone colours, not a tinted grey picture.
    EXPECT_GT(coloured, demo.count() / 10);
    EXPECT_GT(bluish, demo.count() / 50);
    EXPECT_GT(reddish, demo.count() / 10);
}

// Fine grain: neighbouring pixels almost never repeat exactly, and stones differ in brightness
// (shading and joints), so the picture has both small and large differences.
TEST(DemoTexture, HasFineNoiseAndShading) {
    const PixelBuffer demo = DemoTexture::make();
    size_t equal = 0, strong = 0, pairs = 0;
    for (uint32_t y = 0; y < demo.height(); ++y)
        for (uint32_t x = 0; x + 1 < demo.width(); ++x) {
            const uint32_t a = demo.at(x, y) & 0xFFFFFF, b = demo.at(x + 1, y) & 0xFFFFFF;
            equal += a == b;
            strong += colourDistance(a, b) > 0.15;
            ++pairs;
        }
    EXPECT_LT(equal, pairs / 20);
    EXPECT_GT(strong, pairs / 200);
    std::set<uint32_t> distinct(demo.pixels(), demo.pixels() + demo.count());
    EXPECT_GT(distinct.size(), 5000u);
}

// Seamless: the colour jump from the last column to the first is no larger than between the
// most contrasted pair of neighbouring columns inside the picture; the same for rows.
TEST(DemoTexture, SameForEveryCallAndSeamlessAcrossItsOwnEdges) {
    const PixelBuffer a = DemoTexture::make(), b = DemoTexture::make();
    ASSERT_TRUE(std::equal(a.pixels(), a.pixels() + a.count(), b.pixels()));
    const uint32_t n = a.width();
    auto columnJump = [&](uint32_t x) {
        double sum = 0.0;
        for (uint32_t y = 0; y < n; ++y)
            sum += colourDistance(a.at(x, y), a.at((x + 1) % n, y));
        return sum / n;
    };
    auto rowJump = [&](uint32_t y) {
        double sum = 0.0;
        for (uint32_t x = 0; x < n; ++x)
            sum += colourDistance(a.at(x, y), a.at(x, (y + 1) % n));
        return sum / n;
    };
    double columns = 0.0, rows = 0.0;
    for (uint32_t i = 0; i + 1 < n; ++i) {
        columns = std::max(columns, columnJump(i));
        rows = std::max(rows, rowJump(i));
    }
    EXPECT_LE(columnJump(n - 1), columns);
    EXPECT_LE(rowJump(n - 1), rows);
}

TEST(DemoTexture, OtherSidesAreHonoured) {
    EXPECT_EQ(DemoTexture::make(300).width(), 300u);
    EXPECT_EQ(DemoTexture::make(300).height(), 300u);
    EXPECT_EQ(DemoTexture::make(5).width(), 5u);
}
