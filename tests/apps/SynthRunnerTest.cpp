#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <thread>

#include "apps/DemoTexture.h"
#include "apps/SynthRunner.h"
#include "chunks/RandomChunks.h"
#include "support/TextureLoader.h"

namespace {

// A collection with one input image made current, as after loading it.
struct Inputs {
    ImageCollection images;
    uint32_t key = 0;
    explicit Inputs(const PixelBuffer& picture) {
        key = images.addImage(picture);
        images.setCurrent(key);
        images.normaliseProbabilities(-1.0f);
    }
    void addChunks(int32_t count, float fraction, uint32_t seed) {
        RandomGenerator random(seed);
        generateChunks(images, key, count, fraction, random);
    }
};

PlacementParameters placement(PlacementMethod method, double amount, bool mix = false) {
    PlacementParameters p;
    p.method = method;
    p.jittering = amount;
    p.coveringFactor = amount;
    p.mixChunks = mix;
    return p;
}

bool sameOutput(const PixelBuffer& a, const PixelBuffer& b) {
    return a.count() == b.count() && std::equal(a.pixels(), a.pixels() + a.count(), b.pixels());
}

} // namespace

TEST(SynthRunner, FillsTheOutputWithEitherPlacement) {
    const PixelBuffer bark = loadTexture("bark_01.png");
    ASSERT_EQ(bark.width(), 128u);
    for (const PlacementParameters& p :
         {placement(PlacementMethod::Random, 0.5), placement(PlacementMethod::SemiRegular, 0.25)}) {
        Inputs inputs(bark);
        SynthRunner runner(inputs.images, p, 3, 300, 200);
        const RunStatistics stats = runner.run();
        EXPECT_TRUE(stats.complete);
        EXPECT_FALSE(stats.interrupted || stats.stalled);
        EXPECT_EQ(stats.steps, stats.whole + stats.cut + stats.refused + stats.nothing + stats.aborted + stats.invalid);
        EXPECT_EQ(stats.whole, 1u) << "only the first paste lands on empty ground";
        EXPECT_GT(stats.cut, 0u);
        EXPECT_EQ(runner.output().width(), 300u);
        EXPECT_GT(runner.synthesizer().seamStore().size(), 0u);
    }
}

// Without mixing the whole image is pasted every time; with mixing the generated chunks take
// turns with it.
TEST(SynthRunner, MixingDrawsAmongAllChunks) {
    const PixelBuffer bark = loadTexture("bark_01.png");
    for (bool mix : {false, true}) {
        Inputs inputs(bark);
        inputs.addChunks(8, 0.5f, 11);
        SynthRunner runner(inputs.images, placement(PlacementMethod::Random, 0.5, mix), 5, 256, 256);
        std::set<uint32_t> widths;
        const RunStatistics stats = runner.run([&](const RunStatistics&, const PixelBuffer&) {
            widths.insert(runner.synthesizer().usedChunk()->width());
        });
        EXPECT_TRUE(stats.complete);
        EXPECT_EQ(widths, (mix ? std::set<uint32_t>{64, 128} : std::set<uint32_t>{128}));
    }
}

// The semi-regular grid is cut for the chunk being pasted, or for the smallest chunk when
// mixing: its columns are the output width spread evenly over (W / step + 1) cells.
TEST(SynthRunner, SemiRegularCellFollowsTheChunkOrTheSmallestChunk) {
    const PixelBuffer bark = loadTexture("bark_01.png");
    const uint32_t W = 256;
    for (bool mix : {false, true}) {
        Inputs inputs(bark);
        inputs.addChunks(8, 0.5f, 11);
        const int cell = mix ? 64 : 128;
        const int columns = int(W) / (cell - cell / 4) + 1;
        std::set<int32_t> expected;
        for (int i = 0; i < columns; ++i)
            expected.insert(int32_t(i * double(W) / columns));
        SynthRunner runner(inputs.images, placement(PlacementMethod::SemiRegular, 0.25, mix), 5, W, W);
        std::set<int32_t> lefts;
        runner.run([&](const RunStatistics&, const PixelBuffer&) {
            if (!runner.synthesizer().lastBox().isEmpty())
                lefts.insert(runner.synthesizer().lastBox().x0);
        });
        EXPECT_TRUE(std::includes(expected.begin(), expected.end(), lefts.begin(), lefts.end()));
        EXPECT_GE(lefts.size(), size_t(columns - 1));
    }
}

TEST(SynthRunner, SameSeedSameTileOtherSeedOtherTile) {
    const PixelBuffer demo = DemoTexture::make();
    auto tile = [&](uint32_t seed) {
        Inputs inputs(demo);
        inputs.addChunks(6, 0.4f, seed);
        SynthRunner runner(inputs.images, placement(PlacementMethod::Random, 0.5, true), seed, 384, 320);
        EXPECT_TRUE(runner.run().complete);
        return runner.output();
    };
    const PixelBuffer a = tile(21);
    EXPECT_TRUE(sameOutput(a, tile(21)));
    EXPECT_FALSE(sameOutput(a, tile(22)));
}

TEST(SynthRunner, StopBetweenStepsEndsTheRunThere) {
    Inputs inputs(loadTexture("bark_01.png"));
    SynthRunner runner(inputs.images, placement(PlacementMethod::Random, 0.5), 1, 512, 512);
    const RunStatistics stats = runner.run([&](const RunStatistics& s, const PixelBuffer&) {
        if (s.steps == 3)
            runner.requestStop();
    });
    EXPECT_TRUE(stats.interrupted);
    EXPECT_FALSE(stats.complete);
    EXPECT_EQ(stats.steps, 3u);
    EXPECT_EQ(stats.aborted, 0u);
}

// A stop from another thread ends even a run of long pastes promptly, the paste in progress
// being abandoned.
TEST(SynthRunner, StopFromAnotherThreadEndsALongRun) {
    Inputs inputs(DemoTexture::make(1000));
    SynthRunner runner(inputs.images, placement(PlacementMethod::Random, 0.5), 1, 2048, 2048);
    RunStatistics stats;
    std::thread worker([&] { stats = runner.run(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto asked = std::chrono::steady_clock::now();
    runner.requestStop();
    worker.join();
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - asked).count();
    EXPECT_TRUE(stats.interrupted);
    EXPECT_FALSE(stats.complete);
    EXPECT_LT(waited, 0.5);
}

TEST(SynthRunner, WithoutACurrentImageNothingIsPasted) {
    ImageCollection images;
    images.addImage(loadTexture("bark_01.png")); // loaded but not made current
    SynthRunner runner(images, placement(PlacementMethod::Random, 0.0), 1, 256, 256);
    const RunStatistics stats = runner.run();
    EXPECT_EQ(stats.steps, 0u);
    EXPECT_FALSE(stats.complete);
}
