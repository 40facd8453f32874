#include <gtest/gtest.h>

#include "apps/SynthRunner.h"
#include "support/TextureLoader.h"

// A stop asked for from the step observer ends the run before the next step. (A stop from
// another thread during a long paste is the interrupt of the program's own tests.)
TEST(SynthRunner, StopBetweenStepsEndsTheRunThere) {
    ImageCollection images;
    images.setCurrent(images.addImage(loadTexture("mottle.png")));
    images.normaliseProbabilities(-1.0f);
    PlacementParameters placement;
    placement.method = PlacementMethod::Random;
    placement.jittering = 0.5;
    SynthRunner runner(images, placement, 1, 512, 512);
    const RunStatistics stats = runner.run([&](const RunStatistics& s, const PixelBuffer&) {
        if (s.steps == 3)
            runner.requestStop();
    });
    EXPECT_TRUE(stats.interrupted);
    EXPECT_FALSE(stats.complete);
    EXPECT_EQ(stats.steps, 3u);
    EXPECT_EQ(stats.aborted, 0u);
}
