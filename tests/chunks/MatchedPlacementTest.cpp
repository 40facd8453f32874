#include <gtest/gtest.h>

#include <set>

#include "chunks/Halving.h"
#include "chunks/MatchedPlacement.h"
#include "chunks/OverlapErrors.h"
#include "chunks/RealFourierPlan.h"
#include "support/ChunkSessions.h"
#include "support/Pictures.h"

namespace {

// Opaque noise, period p in both directions: every p x p cell is the same.
PixelBuffer lattice(uint32_t width, uint32_t height, uint32_t period) {
    std::vector<uint32_t> cell(size_t(period) * period);
    RandomGenerator noise(17);
    for (uint32_t& p : cell)
        p = makePixel(255, noise.next() & 0xFF, noise.next() & 0xFF, noise.next() & 0xFF);
    PixelBuffer image(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            image.at(x, y) = cell[(y % period) * period + x % period];
    return image;
}

// Noise whose alpha is 0 for about a third of the pixels and anything for the rest.
PixelBuffer holedNoise(uint32_t width, uint32_t height, uint32_t seed) {
    PixelBuffer image(width, height);
    RandomGenerator random(seed);
    for (uint32_t i = 0; i < image.count(); ++i) {
        const uint32_t a = random.next() % 3 == 0 ? 0u : uint32_t(random.next() & 0xFF);
        image.pixels()[i] = makePixel(a, random.next() & 0xFF, random.next() & 0xFF, random.next() & 0xFF);
    }
    return image;
}

bool covers(const Box& box, int64_t x, int64_t y, int64_t W, int64_t H) {
    const int64_t dx = ((x - box.x0) % W + W) % W, dy = ((y - box.y0) % H + H) % H;
    return dx < box.width() && dy < box.height();
}

} // namespace

TEST(RealFourierPlan, FastSizesHaveOnlySmallPrimeFactors) {
    const std::pair<uint32_t, uint32_t> cases[] = {{0, 1}, {1, 1}, {11, 12}, {13, 14}, {17, 18}, {255, 256},
                                                   {997, 1000}, {1023, 1024}, {1025, 1029}};
    for (auto [minimum, fast] : cases)
        EXPECT_EQ(RealFourierPlan::fastSize(minimum), fast) << minimum;
}

TEST(OverlapErrors, WindowHoldsEveryPositionOrIsTheWholeOutput) {
    EXPECT_EQ(OverlapErrors::windowSide(128, 1024), 256u);
    EXPECT_EQ(OverlapErrors::windowSide(5, 1000), 9u);
    EXPECT_EQ(OverlapErrors::windowSide(100, 150), 150u); // 199 would fold: the output's own wrap
    EXPECT_EQ(OverlapErrors::windowSide(300, 600), 600u); // 599 rounds up past the output
    EXPECT_EQ(OverlapErrors::windowSide(600, 600), 600u);
}

// The correlations and the exact single-position sum against a direct sum over every position,
// with partial alphas on both sides, both for a window smaller than the output and for one that
// wraps around it.
TEST(OverlapErrors, EqualTheDirectSumsForEveryPosition) {
    struct Case {
        uint32_t cw, ch, W, H;
        int64_t x0, y0;
    };
    for (const Case& c : {Case{7, 5, 40, 33, 35, -3}, Case{20, 9, 26, 30, 11, 27}}) {
        const PixelBuffer chunk = holedNoise(c.cw, c.ch, 3);
        const PixelBuffer output = holedNoise(c.W, c.H, 4);
        OverlapErrors errors;
        errors.setChunk(&chunk);
        ASSERT_TRUE(errors.compare(output, c.x0, c.y0));
        for (uint32_t dy = 0; dy < c.ch; ++dy)
            for (uint32_t dx = 0; dx < c.cw; ++dx) {
                double overlap = 0, error = 0;
                for (uint32_t v = 0; v < c.ch; ++v)
                    for (uint32_t u = 0; u < c.cw; ++u) {
                        const uint32_t ox = uint32_t(((c.x0 + dx + u) % c.W + c.W) % c.W);
                        const uint32_t oy = uint32_t(((c.y0 + dy + v) % c.H + c.H) % c.H);
                        const uint32_t o = output.at(ox, oy), k = chunk.at(u, v);
                        const double weight = alphaOf(o) / 255.0 * alphaOf(k) / 255.0;
                        const double dr = (double(redOf(o)) - redOf(k)) / 255.0;
                        const double dg = (double(greenOf(o)) - greenOf(k)) / 255.0;
                        const double db = (double(blueOf(o)) - blueOf(k)) / 255.0;
                        overlap += weight;
                        error += weight * (dr * dr + dg * dg + db * db);
                    }
                ASSERT_NEAR(errors.overlap(dx, dy), overlap, 1e-3) << c.cw << " at " << dx << "," << dy;
                ASSERT_NEAR(errors.squaredError(dx, dy), error, 2e-3) << c.cw << " at " << dx << "," << dy;
                double direct = 0;
                ASSERT_NEAR(OverlapErrors::directError(chunk, output, c.x0 + dx, c.y0 + dy, direct), overlap, 1e-9);
                ASSERT_NEAR(direct, error, 1e-9);
            }
    }
}

// In phase the error is zero, elsewhere about twice the variance: the tile is the lattice
// itself, and the phases drawn differ, since all of them match equally well.
TEST(MatchedPlacement, PastesOnALatticeLandOnMultiplesOfItsPeriod) {
    const uint32_t period = 12;
    const PixelBuffer source = lattice(96 + 30, 96 + 26, period);
    const PixelBuffer chunk = crop(source, 5, 7, 30, 26);
    SynthSession s(96, 96, 8, PlacementMethod::Matched);
    s.synth.setChunk(&chunk);
    int matched = 0;
    std::set<std::pair<int, int>> places;
    for (int step = 0; step < 500 && !s.synth.isComplete(); ++step) {
        const PasteOutcome outcome = s.synth.step();
        const Box box = s.synth.lastBox();
        if (!s.synth.matchedPlacement().lastMatched() || box.isEmpty())
            continue;
        ++matched;
        places.insert({box.x0, box.y0});
        ASSERT_EQ(box.x0 % int(period), 0) << "step " << step << " outcome " << int(outcome);
        ASSERT_EQ(box.y0 % int(period), 0) << "step " << step;
    }
    ASSERT_TRUE(s.synth.isComplete());
    EXPECT_GT(matched, 10);
    EXPECT_GT(places.size(), 10u);
    for (uint32_t y = 0; y < 96; ++y)
        for (uint32_t x = 0; x < 96; ++x)
            ASSERT_EQ(s.output.at(x, y), source.at(x + 5, y + 7)) << x << "," << y;
}

// Cut at an odd position, the chunk is found by the halved comparison only at even positions
// beside it; the full-resolution check must settle it where it matches exactly.
TEST(MatchedPlacement, HalvedComparisonSettlesOnTheExactPosition) {
    const uint32_t side = uint32_t(MatchedPlacement::kCoarseSide);
    const PixelBuffer picture = noisePicture(2 * side, 2 * side, 255, 6);
    const PixelBuffer chunk = crop(picture, 37, 21, side, side);
    PixelBuffer output = picture;
    for (uint32_t y = 80; y < 90; ++y)
        for (uint32_t x = 100; x < 110; ++x)
            output.at(x, y) = 0;
    MatchedPlacement matched;
    matched.setChunk(&chunk);
    PlacementFixture f(&matched);
    const Box box = matched.place(output, {side, side}, f.context);
    ASSERT_TRUE(matched.lastMatched());
    EXPECT_TRUE(covers(box, matched.lastAim().x, matched.lastAim().y, 2 * side, 2 * side));
    EXPECT_EQ(box, Box(37, 21, 37 + int32_t(side) - 1, 21 + int32_t(side) - 1));
}

// A block's alpha is the mean alpha and its colour the alpha-weighted mean, so a transparent
// pixel lends it no colour; blocks past the source's edge come from its other side.
TEST(Halving, AveragesBlocksByAlphaAndWrapsAroundTheSource) {
    PixelBuffer source(4, 2);
    source.at(0, 0) = makePixel(255, 200, 0, 0);
    source.at(1, 0) = makePixel(255, 100, 0, 0);
    source.at(0, 1) = makePixel(0, 50, 50, 50);
    source.at(1, 1) = makePixel(255, 0, 0, 30);
    source.at(2, 0) = source.at(3, 0) = source.at(2, 1) = source.at(3, 1) = makePixel(255, 0, 90, 0);
    PixelBuffer half;
    halve(source, 1, 0, 2, 1, half);
    EXPECT_EQ(half.at(0, 0), makePixel(255, 0, 90, 0));
    EXPECT_EQ(half.at(1, 0), makePixel(191, 100, 0, 10)); // the block at x = 0, wrapped
}

// Only the first paste, which overlaps nothing, keeps its Halton point, whatever the jitter. On
// an output many chunks wide, pastes placed without comparison would each start a patch of their
// own phase, to meet the others out of phase later: every later paste is compared instead.
TEST(MatchedPlacement, EveryPasteAfterTheFirstIsCompared) {
    const PixelBuffer chunk = crop(lattice(240, 240, 12), 0, 0, 30, 26);
    SynthSession s(240, 240, 3, PlacementMethod::Matched);
    s.placement.jittering = 1.0;
    s.synth.setChunk(&chunk);
    s.synth.step();
    EXPECT_EQ(s.synth.lastBox(), Box(0, 0, 29, 25));
    EXPECT_FALSE(s.synth.matchedPlacement().lastMatched());
    int unmatched = 0;
    for (int step = 0; step < 3000 && !s.synth.isComplete(); ++step) {
        s.synth.step();
        unmatched += !s.synth.matchedPlacement().lastMatched();
    }
    ASSERT_TRUE(s.synth.isComplete());
    EXPECT_EQ(unmatched, 0);
}

// On outputs with scattered coverage, every box covers the uncovered pixel it aimed at,
// starts inside the output and has the chunk's size; chunks from tiny to output-wide.
TEST(MatchedPlacement, ChosenBoxAlwaysCoversTheAimedAtUncoveredPixel) {
    for (uint32_t side : {3u, 16u, 40u, 64u}) {
        PixelBuffer output = noisePicture(64, 48, 255, side);
        RandomGenerator holes(side);
        for (uint32_t i = 0; i < output.count(); ++i)
            if (holes.next() % 4 == 0)
                output.pixels()[i] = 0;
        const PixelBuffer chunk = noisePicture(side, std::min(side, 48u), 255, 9);
        MatchedPlacement matched;
        matched.setChunk(&chunk);
        PlacementFixture f(&matched);
        int compared = 0;
        for (int i = 0; i < 60; ++i) {
            const Box box = matched.place(output, {chunk.width(), chunk.height()}, f.context);
            const MatchedPlacement::Aim aim = matched.lastAim();
            ASSERT_EQ(box.width(), chunk.width());
            ASSERT_EQ(box.height(), chunk.height());
            ASSERT_TRUE(box.x0 >= 0 && box.x0 < 64 && box.y0 >= 0 && box.y0 < 48);
            ASSERT_NE(alphaOf(output.at(uint32_t(aim.x), uint32_t(aim.y))), 255u);
            ASSERT_TRUE(covers(box, aim.x, aim.y, 64, 48)) << side << ": step " << i;
            compared += matched.lastMatched();
        }
        EXPECT_GT(compared, 50) << side;
    }
}

// A smooth chunk laid almost on an earlier copy of itself matches well while adding next to
// nothing: such positions must not take over, or the fill needs many times Random's pastes.
TEST(MatchedPlacement, FillsSmoothTexturesInAboutAsManyStepsAsRandom) {
    const PixelBuffer rough = noisePicture(96, 96, 255, 5);
    PixelBuffer smooth(96, 96);
    for (uint32_t y = 0; y < 96; ++y)
        for (uint32_t x = 0; x < 96; ++x) {
            uint32_t sum[3] = {0, 0, 0};
            for (uint32_t v = 0; v < 12; ++v)
                for (uint32_t u = 0; u < 12; ++u) {
                    const uint32_t p = rough.at((x + u) % 96, (y + v) % 96);
                    sum[0] += redOf(p), sum[1] += greenOf(p), sum[2] += blueOf(p);
                }
            smooth.at(x, y) = makePixel(255, sum[0] / 144, sum[1] / 144, sum[2] / 144);
        }
    auto steps = [&](PlacementMethod method) {
        SynthSession s(320, 320, 4, method);
        s.placement.jittering = 0.5;
        s.synth.setChunk(&smooth);
        return s.fill(2000);
    };
    const int random = steps(PlacementMethod::Random);
    EXPECT_LT(steps(PlacementMethod::Matched), random * 3 / 2) << "random took " << random;
}
