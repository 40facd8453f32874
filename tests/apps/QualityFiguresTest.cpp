#include <gtest/gtest.h>

#include "apps/QualityFigures.h"
#include "engine/CostFunctions.h"

namespace {

uint32_t grey(uint32_t v) { return makePixel(255, v, v, v); }

} // namespace

// Columns of a W x H picture step by 10 grey levels; rows are equal. Inside, only horizontal
// neighbours differ (one step); across the wrap the last column meets the first (W - 1 steps)
// and the last row an equal first row.
TEST(QualityFigures, ContrastsCompareSeamsAndWrapWithOrdinaryNeighbours) {
    const uint32_t W = 8, H = 6;
    PixelBuffer ramp(W, H);
    for (uint32_t y = 0; y < H; ++y)
        for (uint32_t x = 0; x < W; ++x)
            ramp.at(x, y) = grey(10 * x);
    const double step = colourDistance(grey(0), grey(10));
    const double wrapStep = colourDistance(grey(0), grey(10 * (W - 1)));
    const double neighbours = H * (W - 1) * step / double(H * (W - 1) + W * (H - 1));
    SeamStore seams;
    seams.reset(W, H);

    QualityFigures f = QualityFigures::measure(ramp, seams);
    ASSERT_TRUE(f.wrapContrast.has_value());
    EXPECT_NEAR(*f.wrapContrast, H * wrapStep / double(H + W) / neighbours, 1e-12);
    EXPECT_FALSE(f.meanSeamCost || f.seamContrast);

    seams.addSeam(2, 1, 3, 1, 0.5); // across one step
    seams.addSeam(4, 2, 4, 3, 1.5); // between equal pixels
    seams.addSeam(7, 0, 0, 0, 2.5); // across the wrap
    f = QualityFigures::measure(ramp, seams);
    ASSERT_TRUE(f.meanSeamCost && f.seamContrast);
    EXPECT_DOUBLE_EQ(*f.meanSeamCost, 1.5);
    EXPECT_NEAR(*f.seamContrast, (step + wrapStep) / 3.0 / neighbours, 1e-12);

    PixelBuffer flat(W, H);
    std::fill(flat.pixels(), flat.pixels() + flat.count(), grey(90));
    EXPECT_FALSE(QualityFigures::measure(flat, seams).wrapContrast.has_value());
}
