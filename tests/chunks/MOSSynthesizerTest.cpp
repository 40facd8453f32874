#include <gtest/gtest.h>

#include <numbers>

#include "engine/ImageTransform.h"
#include "support/ChunkSessions.h"
#include "support/Pictures.h"
#include "support/TextureLoader.h"

// A different seed must give a different tile, or the placement does not draw from the stream.
TEST(MOSSynthesizer, SameSeedGivesTheSameTileAndAnotherSeedAnother) {
    const PixelBuffer chunk = noisePicture(40, 34, 255, 17);
    for (PlacementMethod method : {PlacementMethod::Random, PlacementMethod::Matched}) {
        auto tile = [&](uint32_t seed) {
            SynthSession s(120, 100, seed, method);
            s.placement.jittering = 0.5;
            s.synth.setChunk(&chunk);
            s.fill(400);
            EXPECT_TRUE(s.synth.isComplete()) << int(method);
            return pixelsOf(s.output);
        };
        const auto first = tile(21);
        EXPECT_EQ(tile(21), first) << int(method);
        EXPECT_NE(tile(22), first) << int(method);
    }
}

TEST(MOSSynthesizer, RestoreStateGivesBackCounterAndSeamsExactly) {
    const PixelBuffer chunk = loadTexture("bricks.png");
    SynthSession s(256, 256, 3);
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
    SynthSession s(40, 30);
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
    SynthSession s(128, 128);
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
    SynthSession s(256, 256);
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
    SynthSession s(256, 256);
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

// Nothing to paste, nowhere to paste it, or a chunk that cannot wrap once: every drawing method
// ends the step cleanly, the same way.
TEST(MOSSynthesizer, BadChunksAndFullOutputsEndTheStepAlikeForEveryMethod) {
    const PixelBuffer empty, tooWide = filledPicture(33, 4, 0xFFFFFFFFu);
    const PixelBuffer dot = filledPicture(1, 1, 0xFF123456u);
    for (PlacementMethod method : {PlacementMethod::Random, PlacementMethod::SemiRegular, PlacementMethod::Matched}) {
        SCOPED_TRACE(int(method));
        SynthSession s(32, 32, 1, method);
        s.synth.setChunk(&tooWide);
        EXPECT_EQ(s.synth.step(), PasteOutcome::Invalid);
        EXPECT_EQ(s.synth.placementCounter(), 1u);
        for (const PixelBuffer* chunk : {&empty, static_cast<const PixelBuffer*>(nullptr)}) {
            s.synth.setChunk(chunk);
            EXPECT_EQ(s.synth.step(), PasteOutcome::Invalid);
        }
        EXPECT_TRUE(isAllZero(s.output));

        // A full output leaves no place to paste: nothing, not an endless search.
        SynthSession one(1, 1, 1, method);
        one.synth.setChunk(&dot);
        one.fill(5);
        EXPECT_TRUE(one.synth.isComplete());
        EXPECT_EQ(one.output.pixels()[0], 0xFF123456u);
        EXPECT_EQ(one.synth.step(), PasteOutcome::Nothing);
        EXPECT_TRUE(one.synth.lastBox().isEmpty());
    }

    SynthSession none(0, 0);
    none.synth.setChunk(&dot);
    EXPECT_TRUE(none.synth.isComplete());
    EXPECT_NE(none.synth.step(), PasteOutcome::Whole);

    SynthSession shrunk(32, 32, 1, PlacementMethod::SinglePaste);
    shrunk.placement.scale = 0.01; // shrinks a 50 x 50 chunk to nothing
    const PixelBuffer chunk(50, 50);
    shrunk.synth.setChunk(&chunk);
    EXPECT_EQ(shrunk.synth.step(), PasteOutcome::Invalid);
    EXPECT_TRUE(shrunk.synth.lastBox().isEmpty());
}
