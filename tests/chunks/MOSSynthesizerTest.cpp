#include <gtest/gtest.h>

#include <map>
#include <numbers>

#include "chunks/MOSSynthesizer.h"
#include "engine/ImageTransform.h"
#include "support/Pictures.h"
#include "support/TextureLoader.h"

namespace {

struct FillReport {
    std::map<PasteOutcome, int> outcomes;
    int steps = 0;
    bool complete = false;
};

// Steps until the output is complete or `bound` steps were made.
FillReport fill(MOSSynthesizer& synth, int bound) {
    FillReport r;
    while (!(r.complete = synth.isComplete()) && r.steps < bound) {
        ++r.outcomes[synth.step()];
        ++r.steps;
    }
    return r;
}

struct Session {
    PlacementParameters placement;
    RandomGenerator random{1};
    PixelBuffer output;
    MOSSynthesizer synth{placement, random};

    Session(uint32_t W, uint32_t H, uint32_t seed = 1) : output(W, H) {
        random.seed(seed);
        synth.setOutput(&output);
        synth.reset();
    }
};

struct FillCase {
    PlacementMethod method;
    double amount; // jittering or covering factor
};

class SynthesizerFill : public ::testing::TestWithParam<FillCase> {};

} // namespace

// Every step ends as a whole paste, a cut paste, a refused overlap or nothing, and a 128 x 128
// chunk covers a 256 x 256 output well within 400 steps.
TEST_P(SynthesizerFill, RealTextureFillsTheOutputCompletely) {
    const PixelBuffer chunk = loadTexture("mottle.png");
    ASSERT_EQ(chunk.width(), 128u);
    Session s(256, 256, 7);
    s.placement.method = GetParam().method;
    s.placement.jittering = GetParam().amount;
    s.placement.coveringFactor = GetParam().amount;
    s.placement.cellWidth = int32_t(chunk.width());
    s.placement.cellHeight = int32_t(chunk.height());
    s.synth.setChunk(&chunk);
    FillReport r = fill(s.synth, 400);
    EXPECT_TRUE(r.complete) << "after " << r.steps << " steps";
    EXPECT_EQ(r.outcomes.count(PasteOutcome::Invalid), 0u);
    EXPECT_EQ(r.outcomes.count(PasteOutcome::Aborted), 0u);
    EXPECT_GT(r.outcomes[PasteOutcome::Cut], 0);
    EXPECT_GE(r.outcomes[PasteOutcome::Whole], 1);
    EXPECT_GT(s.synth.seamStore().size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Placements, SynthesizerFill,
                         ::testing::Values(FillCase{PlacementMethod::Random, 0.0}, FillCase{PlacementMethod::Random, 0.5},
                                           FillCase{PlacementMethod::SemiRegular, 0.25}));

TEST(MOSSynthesizer, SameSeedGivesBitIdenticalOutput) {
    const PixelBuffer chunk = loadTexture("bricks.png");
    auto run = [&](uint32_t seed) {
        Session s(200, 160, seed);
        s.placement.jittering = 0.5;
        s.synth.setChunk(&chunk);
        fill(s.synth, 400);
        return pixelsOf(s.output);
    };
    const auto a = run(11);
    EXPECT_EQ(a, run(11));
    EXPECT_NE(a, run(12)); // the jitter really depends on the stream
}

TEST(MOSSynthesizer, RestoreStateGivesBackCounterAndSeamsExactly) {
    const PixelBuffer chunk = loadTexture("bricks.png");
    Session s(256, 256, 3);
    s.placement.jittering = 0.3;
    s.synth.setChunk(&chunk);
    for (int i = 0; i < 4; ++i)
        s.synth.step();
    const auto saved = s.synth.saveState();
    ASSERT_GT(saved->seams.rowRecords.size() + saved->seams.columnRecords.size(), 0u);
    for (int i = 0; i < 6; ++i)
        s.synth.step();
    ASSERT_NE(s.synth.placementCounter(), saved->placementCounter);
    ASSERT_NE(s.synth.seamStore().snapshot(), saved->seams);
    s.synth.restoreState(*saved);
    EXPECT_EQ(s.synth.placementCounter(), saved->placementCounter);
    EXPECT_EQ(s.synth.seamStore().snapshot(), saved->seams);
    s.synth.reset();
    EXPECT_EQ(s.synth.placementCounter(), 0u);
    EXPECT_EQ(s.synth.seamStore().size(), 0u);
}

TEST(MOSSynthesizer, IsCompleteStopsOnAnAlmostCoveredPixel) {
    Session s(40, 30);
    for (uint32_t i = 0; i < s.output.count(); ++i)
        s.output.pixels()[i] = 0xFF102030u;
    s.output.pixels()[s.output.count() - 1] = 0xFE102030u;
    EXPECT_FALSE(s.synth.isComplete());
    EXPECT_FALSE(s.synth.isComplete());
    s.output.pixels()[s.output.count() - 1] = 0xFF102030u;
    EXPECT_TRUE(s.synth.isComplete());
    // The cursor only moves forward: an uncovered pixel behind it needs a reset or a restored
    // state (undo puts earlier pixels back) to be seen.
    const auto state = s.synth.saveState();
    s.output.pixels()[0] = 0;
    EXPECT_TRUE(s.synth.isComplete());
    s.synth.restoreState(*state);
    EXPECT_FALSE(s.synth.isComplete());
    s.output.pixels()[0] = 0xFF102030u;
    EXPECT_TRUE(s.synth.isComplete());
    s.output.pixels()[0] = 0;
    s.synth.reset();
    EXPECT_FALSE(s.synth.isComplete());
}

TEST(MOSSynthesizer, ForcedPixelsOfTheInnerLimitReachTheOutput) {
    const PixelBuffer texture = loadTexture("bricks.png");
    const PixelBuffer chunk = loadTexture("mottle.png");
    Session s(128, 128);
    s.output = texture; // fully covered old content
    s.synth.setOutput(&s.output);
    s.synth.reset();
    PixelBuffer limit(chunk.width(), chunk.height());
    for (uint32_t y = 40; y < 60; ++y)
        for (uint32_t x = 30; x < 70; ++x)
            limit.at(x, y) = 0xFFFFFFFFu;
    s.synth.setChunk(&chunk);
    s.synth.setLimitMap(&limit);
    EXPECT_EQ(s.synth.pasteAt(Box(5, 9, 132, 136), Box(0, 0, 127, 127)), PasteOutcome::Cut);
    for (uint32_t y = 40; y < 60; ++y)
        for (uint32_t x = 30; x < 70; ++x)
            ASSERT_EQ(s.output.at((x + 5) % 128, (y + 9) % 128), chunk.at(x, y)) << x << "," << y;
}

TEST(MOSSynthesizer, SinglePasteTransformsOnlyWhenAskedAndCutsToTheOutput) {
    PixelBuffer chunk(150, 100);
    for (uint32_t y = 0; y < 100; ++y)
        for (uint32_t x = 0; x < 150; ++x)
            chunk.at(x, y) = makePixel(255, x, y, 9);
    Session s(256, 256);
    s.placement.method = PlacementMethod::SinglePaste;
    s.synth.setChunk(&chunk);
    EXPECT_EQ(s.synth.usedChunk(), &chunk); // pasted as is, no copy

    s.placement.scale = 2.0;
    s.synth.setChunk(&chunk);
    const PixelBuffer scaled = scaleImage(chunk, 2.0);
    ASSERT_EQ(scaled.width(), 300u);
    const PixelBuffer* used = s.synth.usedChunk();
    ASSERT_NE(used, &chunk);
    ASSERT_EQ(used->width(), 255u);
    ASSERT_EQ(used->height(), 200u);
    EXPECT_EQ(used->at(0, 17), scaled.at(22, 17));
    EXPECT_EQ(used->at(254, 199), scaled.at(276, 199));

    // Turned first, then scaled: 100 x 50 turned a quarter becomes 52 x 102 with its margin,
    // halved 26 x 51 (halved first it would turn into 26 x 50).
    PixelBuffer wide(100, 50);
    s.placement.angle = std::numbers::pi / 2;
    s.placement.scale = 0.5;
    s.synth.setChunk(&wide);
    ASSERT_NE(s.synth.usedChunk(), nullptr);
    EXPECT_EQ(s.synth.usedChunk()->width(), 26u);
    EXPECT_EQ(s.synth.usedChunk()->height(), 51u);

    // Random placement ignores angle and scale.
    s.placement.method = PlacementMethod::Random;
    s.placement.angle = 1.0;
    s.synth.setChunk(&chunk);
    EXPECT_EQ(s.synth.usedChunk(), &chunk);
}

TEST(MOSSynthesizer, StopRequestLeavesOutputUnchangedUntilCleared) {
    const PixelBuffer chunk = loadTexture("mottle.png");
    Session s(256, 256);
    s.synth.setChunk(&chunk);
    ASSERT_EQ(s.synth.step(), PasteOutcome::Whole);
    const auto before = pixelsOf(s.output);
    const auto seams = s.synth.seamStore().snapshot();
    s.synth.requestAbort();
    EXPECT_EQ(s.synth.step(), PasteOutcome::Aborted);
    EXPECT_TRUE(s.synth.aborted());
    EXPECT_TRUE(s.synth.lastBox().isEmpty());
    EXPECT_EQ(pixelsOf(s.output), before);
    EXPECT_EQ(s.synth.seamStore().snapshot(), seams);
    s.synth.clearAbortRequest();
    const PasteOutcome next = s.synth.step();
    EXPECT_NE(next, PasteOutcome::Aborted);
    EXPECT_FALSE(s.synth.aborted());
}

TEST(MOSSynthesizer, BadChunksAndOutputsEndCleanly) {
    {
        Session s(32, 32);
        PixelBuffer empty;
        s.synth.setChunk(&empty);
        EXPECT_EQ(s.synth.step(), PasteOutcome::Invalid);
        s.synth.setChunk(nullptr);
        EXPECT_EQ(s.synth.step(), PasteOutcome::Invalid);
        PixelBuffer tooBig(33, 4);
        tooBig.pixels()[0] = 0xFFFFFFFFu;
        s.synth.setChunk(&tooBig);
        EXPECT_EQ(s.synth.step(), PasteOutcome::Invalid);
        EXPECT_EQ(pixelsOf(s.output), std::vector<uint32_t>(32 * 32, 0u));
    }
    {
        Session s(0, 0);
        PixelBuffer chunk(1, 1);
        chunk.pixels()[0] = 0xFFFFFFFFu;
        s.synth.setChunk(&chunk);
        EXPECT_TRUE(s.synth.isComplete());
        EXPECT_NE(s.synth.step(), PasteOutcome::Whole);
    }
    {
        Session s(1, 1);
        PixelBuffer chunk(1, 1);
        chunk.pixels()[0] = 0xFF123456u;
        s.synth.setChunk(&chunk);
        const FillReport r = fill(s.synth, 5);
        EXPECT_TRUE(r.complete);
        EXPECT_EQ(s.output.pixels()[0], 0xFF123456u);
        // A full output leaves no place to paste: nothing, not an endless search.
        EXPECT_EQ(s.synth.step(), PasteOutcome::Nothing);
        EXPECT_TRUE(s.synth.lastBox().isEmpty());
    }
    {
        Session s(32, 32);
        s.placement.method = PlacementMethod::SinglePaste;
        s.placement.scale = 0.01; // shrinks a 50 x 50 chunk to nothing
        PixelBuffer chunk(50, 50);
        s.synth.setChunk(&chunk);
        EXPECT_EQ(s.synth.step(), PasteOutcome::Invalid);
        EXPECT_TRUE(s.synth.lastBox().isEmpty());
    }
}
