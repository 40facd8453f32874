#include <gtest/gtest.h>

#include "engine/CostFunctions.h"
#include "engine/PixelBuffer.h"

namespace {

uint32_t grey(uint32_t alpha, uint32_t v) { return makePixel(alpha, v, v, v); }

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlack = 0xFF000000u;

} // namespace

// Worked by hand: colour distances are sqrt(sum of squares / 195075); a gradient is the
// smaller alpha times sqrt(sum of squares / 49744125).
TEST(CostFunctions, SeamCostOfWorkedPairs) {
    const struct {
        const char* pair;
        uint32_t b1, a1, b2, a2; // b = chunk, a = output
        double cost;
    } cases[] = {
        // Flat pictures: 2 sqrt(1/3) over nothing but 0.01.
        {"red over black at both pixels", kRed, kBlack, kRed, kBlack, 115.47005383792515},
        // (sqrt(44025 / 195075) + sqrt(30000 / 195075)) / (128 / sqrt(765) + 0.01): the chunk's
        // gradient counts with the half-transparent pixel's alpha.
        {"gradient inside the chunk", kRed, grey(255, 100), makePixel(128, 0, 0, 0), grey(255, 100),
         0.1869869346705974},
        // (127 / 255 + 128 / 255) / (200 / sqrt(255) + 0.01): the same for the output's gradient.
        {"gradient inside the output", grey(255, 128), grey(200, 255), grey(255, 128), kBlack, 0.07977989797304151},
        {"chunk equal to the output", kBlack, kBlack, grey(90, 0), kBlack, 0.0},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(seamCost(c.b1, c.a1, c.b2, c.a2), c.cost, 1e-12 * c.cost) << c.pair;
        // The order of the two pixels does not matter.
        EXPECT_NEAR(seamCost(c.b2, c.a2, c.b1, c.a1), c.cost, 1e-12 * c.cost) << c.pair;
    }
}
