#include <gtest/gtest.h>

#include <algorithm>

#include "chunks/SynthesisRun.h"
#include "engine/Blending.h"
#include "support/ChunkSessions.h"
#include "support/Pictures.h"

namespace {

// A session's worth of run context over an empty output.
struct RunSetup : SynthSession {
    ImageCollection images;
    PixelBuffer chunkPixels;
    PixelBuffer chunkMask;
    bool chunkChanged = true;

    RunSetup(uint32_t width, uint32_t height, PlacementMethod method) : SynthSession(width, height, 3, method) {}
    uint32_t add(const PixelBuffer& picture, float probability = 1.0f) {
        const uint32_t key = images.addImage(picture);
        images.find(key)->chunk(0)->probability = probability;
        images.setCurrent(key);
        return key;
    }
    RunStatistics run(RunListener& listener, uint64_t memoryLimit = 0) {
        SynthesisRun run({synth, images, placement, random, chunkPixels, chunkMask, chunkChanged}, listener);
        run.setMemoryLimit(memoryLimit);
        return run.runAutomatic();
    }
    uint64_t stallLimit() {
        RunListener none;
        return SynthesisRun({synth, images, placement, random, chunkPixels, chunkMask, chunkChanged}, none)
            .stallLimit();
    }
};

// Ends a run that would otherwise never end, so that the fault fails the test instead of
// hanging it; remembers the last step that raised coverage.
class Guard : public RunListener {
public:
    explicit Guard(const MOSSynthesizer& synthesizer) : synthesizer_(synthesizer) {}
    void stepTaken(const RunStatistics& stats) override {
        if (synthesizer_.lastCoverageGain() > 0)
            lastGain = stats.steps;
    }
    bool stopRequested() override { return ++steps > 200000; }
    uint64_t steps = 0;
    uint64_t lastGain = 0;

private:
    const MOSSynthesizer& synthesizer_;
};

bool alphaWithin(const PixelBuffer& p, uint32_t low, uint32_t high) {
    return std::all_of(p.pixels(), p.pixels() + p.count(),
                       [&](uint32_t v) { return alphaOf(v) >= low && alphaOf(v) <= high; });
}

} // namespace

// The ceiling is where a blend with that much chunk alpha stops raising the output's alpha.
TEST(SynthesisRun, CoverageCeilingIsWhereBlendingStopsRaisingAlpha) {
    EXPECT_EQ(coverageCeiling(255), 255u);
    EXPECT_EQ(coverageCeiling(128), 254u);
    EXPECT_EQ(coverageCeiling(85), 253u);
    EXPECT_EQ(coverageCeiling(0), 0u);
    for (uint32_t m = 0; m <= 255; ++m) {
        for (uint32_t d = 0; d < 255; ++d) {
            const uint32_t old = makePixel(d, 10, 20, 30), chunk = makePixel(m, 200, 100, 50);
            EXPECT_EQ(alphaOf(blendOver(old, chunk)) > d, d < coverageCeiling(m)) << m << " over " << d;
            for (uint32_t weight : {85u, 170u}) {
                if (alphaOf(blendMasked(old, chunk, weight)) > d) {
                    EXPECT_LT(d, coverageCeiling(m)) << m << " weighted " << weight << " over " << d;
                }
            }
        }
    }
}

// A chunk without an opaque pixel can never fill the output: the run ends by itself once no
// pixel can rise any more, before any paste when the chunk is fully transparent.
TEST(SynthesisRun, RunWhoseChunkIsFullyOrPartlyTransparentEnds) {
    struct Case {
        const char* name;
        uint32_t alpha;
        PlacementMethod method;
        bool mix;
    };
    for (const Case& c : {Case{"clear random", 0, PlacementMethod::Random, false},
                          Case{"clear grid", 0, PlacementMethod::SemiRegular, false},
                          Case{"clear mixed", 0, PlacementMethod::Random, true},
                          Case{"half random", 128, PlacementMethod::Random, false},
                          Case{"half grid", 128, PlacementMethod::SemiRegular, false},
                          Case{"half mixed", 128, PlacementMethod::Random, true}}) {
        SCOPED_TRACE(c.name);
        RunSetup s(96, 96, c.method);
        s.placement.mixChunks = c.mix;
        if (c.mix)
            s.add(noisePicture(24, 24, 255), 0.0f); // opaque, but never drawn
        const uint32_t key = s.add(noisePicture(24, 24, c.alpha), 1.0f);
        Guard guard(s.synth);
        const RunStatistics stats = s.run(guard);

        EXPECT_TRUE(stats.end == RunEnd::NotOpaqueEnough || stats.end == RunEnd::Stalled) << int(stats.end);
        EXPECT_TRUE(stats.stalled);
        EXPECT_EQ(s.images.currentKey(), key);
        if (c.alpha == 0) {
            EXPECT_EQ(stats.steps, 0u);
            EXPECT_TRUE(alphaWithin(s.output, 0, 0));
        } else {
            EXPECT_TRUE(alphaWithin(s.output, 128, 254));
            EXPECT_LE(stats.steps, guard.lastGain + s.stallLimit());
        }
    }
}

// An opaque centre that the grid never brings over some pixels: the run pastes until coverage
// stops rising, then exactly the stall limit of steps more.
TEST(SynthesisRun, RunThatNoLongerRaisesCoverageStallsAfterTheLimit) {
    RunSetup s(128, 128, PlacementMethod::SemiRegular);
    PixelBuffer chunk(40, 40);
    for (uint32_t y = 17; y < 23; ++y)
        for (uint32_t x = 17; x < 23; ++x)
            chunk.at(x, y) = makePixel(255, 90, 60, 30);
    s.add(chunk);
    Guard guard(s.synth);
    const RunStatistics stats = s.run(guard);

    EXPECT_EQ(stats.end, RunEnd::Stalled);
    EXPECT_FALSE(stats.complete);
    ASSERT_GT(guard.lastGain, 0u);
    EXPECT_EQ(stats.steps, guard.lastGain + s.stallLimit());
    // 5 x 5 cells 25.6 pixels apart, each making one 6 x 6 square opaque.
    EXPECT_EQ(std::count_if(s.output.pixels(), s.output.pixels() + s.output.count(),
                            [](uint32_t p) { return alphaOf(p) == 255; }),
              25 * 36);
}

// A 200 x 200 chunk over a 256 x 256 output overlaps at least 144 x 144 pixels from its second
// paste on: about 13 MB, which an 8 MB limit refuses. The run ends there with both figures; the
// first paste stays.
TEST(SynthesisRun, PasteAboveTheMemoryLimitEndsTheRunWithItsEstimate) {
    RunSetup setup(256, 256, PlacementMethod::Random);
    setup.add(noisePicture(200, 200, 255));
    Guard guard(setup.synth);
    const uint64_t limit = uint64_t(8) << 20;
    const RunStatistics stats = setup.run(guard, limit);
    EXPECT_EQ(stats.end, RunEnd::OverBudget);
    EXPECT_TRUE(stats.stalled);
    EXPECT_EQ(stats.steps, 2u);
    EXPECT_EQ(stats.whole, 1u);
    EXPECT_EQ(stats.overBudget, 1u);
    EXPECT_EQ(stats.memoryBudget, limit);
    EXPECT_GE(stats.refusedMemory, 200u * 200 * 13 + 144u * 144 * 600);
    EXPECT_EQ(setup.synth.memoryBudget(), limit);
}

namespace {

// A chunk whose every pixel names its own place: red 3 x, green 3 y. Two output neighbours
// hold neighbouring pixels of one paste exactly when their colours step by 3 in one channel.
PixelBuffer placeCoded(uint32_t side) {
    PixelBuffer chunk(side, side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x)
            chunk.at(x, y) = makePixel(255, 3 * x, 3 * y, 90);
    return chunk;
}

// Pixel pairs across the tile's border (last row to first, last column to first) that one
// paste put there side by side: places where the border runs through a chunk, not along a seam.
struct WrapContinuity {
    int rows = 0;
    int columns = 0;
};

WrapContinuity continuityAcrossTheWrap(const PixelBuffer& out) {
    WrapContinuity c;
    const uint32_t W = out.width(), H = out.height();
    for (uint32_t x = 0; x < W; ++x)
        c.rows += out.at(x, 0) == out.at(x, H - 1) + (3u << 8) ? 1 : 0;
    for (uint32_t y = 0; y < H; ++y)
        c.columns += out.at(0, y) == out.at(W - 1, y) + (3u << 16) ? 1 : 0;
    return c;
}

} // namespace

// The grid covers this output before its row and column across the wrap come up; they are still
// pasted, or the tile's border stays the straight meeting line of two unrelated pastes.
TEST(SynthesisRun, GridRunFinishesItsPassAcrossTheWrap) {
    RunSetup s(96, 96, PlacementMethod::SemiRegular);
    s.add(placeCoded(64));
    Guard guard(s.synth);
    const RunStatistics stats = s.run(guard);
    const WrapContinuity c = continuityAcrossTheWrap(s.output);

    EXPECT_EQ(stats.end, RunEnd::Complete);
    EXPECT_EQ(stats.steps, 9u); // 3 x 3 cells 32 pixels apart, all covered after the fifth
    EXPECT_GT(c.rows, 0);
    EXPECT_GT(c.columns, 0);
}
