#include <gtest/gtest.h>

#include <algorithm>

#include "apps/DemoTexture.h"
#include "engine/CostFunctions.h"

// Large enough, opaque, in several stone colours, with per-pixel grain and strong shading
// edges, and the same on every call.
TEST(DemoTexture, ColourfulShadedGrainyAndRepeatable) {
    const PixelBuffer demo = DemoTexture::make();
    ASSERT_GE(demo.width(), 256u);
    ASSERT_EQ(demo.width(), demo.height());
    size_t bluish = 0, reddish = 0, equalNeighbours = 0, edges = 0;
    for (uint32_t y = 0; y < demo.height(); ++y)
        for (uint32_t x = 0; x + 1 < demo.width(); ++x) {
            const uint32_t p = demo.at(x, y), q = demo.at(x + 1, y);
            ASSERT_EQ(alphaOf(p), 255u);
            bluish += blueOf(p) > redOf(p) + 15;
            reddish += redOf(p) > blueOf(p) + 30;
            equalNeighbours += (p == q);
            edges += colourDistance(p, q) > 0.15;
        }
    const size_t pairs = demo.count() - demo.height();
    EXPECT_GT(bluish, pairs / 50);
    EXPECT_GT(reddish, pairs / 10);
    EXPECT_LT(equalNeighbours, pairs / 20);
    EXPECT_GT(edges, pairs / 200);

    const PixelBuffer again = DemoTexture::make();
    EXPECT_TRUE(std::equal(demo.pixels(), demo.pixels() + demo.count(), again.pixels()));
    EXPECT_EQ(DemoTexture::make(100).width(), 100u);
}
