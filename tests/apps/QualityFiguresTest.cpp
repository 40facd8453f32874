#include <gtest/gtest.h>

#include <cmath>

#include "apps/QualityFigures.h"
#include "engine/CostFunctions.h"

namespace {

uint32_t grey(uint32_t v) { return makePixel(255, v, v, v); }

// Columns step by 10 grey levels from left to right; every row is the same.
PixelBuffer horizontalRamp(uint32_t W, uint32_t H) {
    PixelBuffer ramp(W, H);
    for (uint32_t y = 0; y < H; ++y)
        for (uint32_t x = 0; x < W; ++x)
            ramp.at(x, y) = grey(10 * x);
    return ramp;
}

} // namespace

// Inside the ramp only horizontal neighbours differ (by one step); across the wrap the last
// column meets the first ((W - 1) steps) and the last row meets an equal first row.
TEST(QualityFigures, WrapContrastComparesTheWrapWithOrdinaryNeighbours) {
    const uint32_t W = 8, H = 6;
    const PixelBuffer ramp = horizontalRamp(W, H);
    SeamStore seams;
    seams.reset(W, H);
    const double step = colourDistance(grey(0), grey(10));
    const double wrapStep = colourDistance(grey(0), grey(10 * (W - 1)));
    const double neighbours = H * (W - 1) * step / double(H * (W - 1) + W * (H - 1));
    const double wrap = H * wrapStep / double(H + W);

    const QualityFigures f = QualityFigures::measure(ramp, seams);
    ASSERT_TRUE(f.wrapContrast.has_value());
    EXPECT_NEAR(*f.wrapContrast, wrap / neighbours, 1e-12);
    EXPECT_FALSE(f.meanSeamCost.has_value());
    EXPECT_FALSE(f.seamContrast.has_value());
}

TEST(QualityFigures, SeamFiguresAverageTheStoredSeams) {
    const uint32_t W = 8, H = 6;
    const PixelBuffer ramp = horizontalRamp(W, H);
    SeamStore seams;
    seams.reset(W, H);
    seams.addSeam(2, 1, 3, 1, 0.5);  // across a step of the ramp
    seams.addSeam(4, 2, 4, 3, 1.5);  // between equal pixels
    seams.addSeam(7, 0, 0, 0, 2.5);  // across the wrap
    const double step = colourDistance(grey(0), grey(10));
    const double neighbours = H * (W - 1) * step / double(H * (W - 1) + W * (H - 1));
    const double across = (step + 0.0 + colourDistance(grey(70), grey(0))) / 3.0;

    const QualityFigures f = QualityFigures::measure(ramp, seams);
    ASSERT_TRUE(f.meanSeamCost && f.seamContrast);
    EXPECT_DOUBLE_EQ(*f.meanSeamCost, 1.5);
    EXPECT_NEAR(*f.seamContrast, across / neighbours, 1e-12);
}

TEST(QualityFigures, UniformOrEmptyOutputHasNoContrast) {
    PixelBuffer flat(5, 5);
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            flat.at(x, y) = grey(90);
    SeamStore seams;
    seams.reset(5, 5);
    EXPECT_FALSE(QualityFigures::measure(flat, seams).wrapContrast.has_value());
    EXPECT_FALSE(QualityFigures::measure(PixelBuffer(), seams).wrapContrast.has_value());
}
