#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "apps/SynthRunner.h"
#include "chunks/RandomChunks.h"
#include "support/TextureLoader.h"

namespace {

// An input made current as after loading, with `chunks` generated chunks of half its size.
struct Inputs {
    ImageCollection images;
    explicit Inputs(const PixelBuffer& picture, int32_t chunks = 0) {
        const uint32_t key = images.addImage(picture);
        images.setCurrent(key);
        images.normaliseProbabilities(-1.0f);
        RandomGenerator random(11);
        if (chunks > 0)
            generateChunks(images, key, chunks, 0.5f, random);
    }
};

PlacementParameters placement(PlacementMethod method, bool mix) {
    PlacementParameters p;
    p.method = method;
    p.jittering = 0.5;
    p.mixChunks = mix;
    return p;
}

} // namespace

// Without mixing the whole image is pasted every time; with mixing the generated chunks take
// turns with it. Either way the run ends with a full output.
TEST(SynthRunner, MixingDrawsAmongAllChunks) {
    for (bool mix : {false, true}) {
        Inputs inputs(loadTexture("mottle.png"), 8);
        SynthRunner runner(inputs.images, placement(PlacementMethod::Random, mix), 5, 256, 256);
        std::set<uint32_t> widths;
        const RunStatistics stats = runner.run([&](const RunStatistics&, const PixelBuffer&) {
            widths.insert(runner.synthesizer().usedChunk()->width());
        });
        EXPECT_TRUE(stats.complete && !stats.interrupted && !stats.stalled);
        EXPECT_EQ(stats.steps, stats.whole + stats.cut + stats.refused + stats.nothing);
        EXPECT_EQ(widths, (mix ? std::set<uint32_t>{64, 128} : std::set<uint32_t>{128}));
    }
}

// The semi-regular grid is cut for the chunk being pasted, or for the smallest chunk when
// mixing: its columns spread the output width evenly over W / step + 1 cells.
TEST(SynthRunner, SemiRegularCellFollowsTheChunkOrTheSmallestChunk) {
    const uint32_t W = 256;
    for (bool mix : {false, true}) {
        Inputs inputs(loadTexture("mottle.png"), 8);
        const int cell = mix ? 64 : 128;
        const int columns = int(W) / (cell - cell / 4) + 1;
        std::set<int32_t> expected;
        for (int i = 0; i < columns; ++i)
            expected.insert(int32_t(i * double(W) / columns));
        SynthRunner runner(inputs.images, placement(PlacementMethod::SemiRegular, mix), 5, W, W);
        std::set<int32_t> lefts;
        runner.run([&](const RunStatistics&, const PixelBuffer&) {
            if (!runner.synthesizer().lastBox().isEmpty())
                lefts.insert(runner.synthesizer().lastBox().x0);
        });
        EXPECT_TRUE(std::includes(expected.begin(), expected.end(), lefts.begin(), lefts.end()));
        EXPECT_GE(lefts.size(), size_t(columns - 1));
    }
}

TEST(SynthRunner, StopBetweenStepsEndsTheRunThere) {
    Inputs inputs(loadTexture("mottle.png"));
    SynthRunner runner(inputs.images, placement(PlacementMethod::Random, false), 1, 512, 512);
    const RunStatistics stats = runner.run([&](const RunStatistics& s, const PixelBuffer&) {
        if (s.steps == 3)
            runner.requestStop();
    });
    EXPECT_TRUE(stats.interrupted);
    EXPECT_FALSE(stats.complete);
    EXPECT_EQ(stats.steps, 3u);
    EXPECT_EQ(stats.aborted, 0u);
}

// A stop from another thread, usually in the middle of a long paste, ends the run.
TEST(SynthRunner, StopFromAnotherThreadEndsALongRun) {
    Inputs inputs(loadTexture("gravel.png"));
    SynthRunner runner(inputs.images, placement(PlacementMethod::Random, false), 1, 2048, 2048);
    RunStatistics stats;
    std::thread worker([&] { stats = runner.run(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    runner.requestStop();
    worker.join();
    EXPECT_TRUE(stats.interrupted);
    EXPECT_FALSE(stats.complete);
}
