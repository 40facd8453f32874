#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "apps/SynthRunner.h"
#include "support/TextureLoader.h"

namespace {

// An input made current as after loading.
struct Inputs {
    ImageCollection images;
    explicit Inputs(const PixelBuffer& picture) {
        images.setCurrent(images.addImage(picture));
        images.normaliseProbabilities(-1.0f);
    }
};

PlacementParameters randomPlacement() {
    PlacementParameters p;
    p.method = PlacementMethod::Random;
    p.jittering = 0.5;
    return p;
}

} // namespace

TEST(SynthRunner, StopBetweenStepsEndsTheRunThere) {
    Inputs inputs(loadTexture("mottle.png"));
    SynthRunner runner(inputs.images, randomPlacement(), 1, 512, 512);
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
    SynthRunner runner(inputs.images, randomPlacement(), 1, 2048, 2048);
    RunStatistics stats;
    std::thread worker([&] { stats = runner.run(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    runner.requestStop();
    worker.join();
    EXPECT_TRUE(stats.interrupted);
    EXPECT_FALSE(stats.complete);
}
