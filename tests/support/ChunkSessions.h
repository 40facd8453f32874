#pragma once

#include <cstdint>

#include "chunks/MOSSynthesizer.h"
#include "chunks/Placement.h"

// The set-ups that the chunks layer's tests share.

// A synthesizer over an empty width x height output, as a session makes one.
struct SynthSession {
    PlacementParameters placement;
    RandomGenerator random;
    PixelBuffer output;
    MOSSynthesizer synth{placement, random};

    SynthSession(uint32_t width, uint32_t height, uint32_t seed = 1, PlacementMethod method = PlacementMethod::Random)
        : random(seed), output(width, height) {
        placement.method = method;
        synth.setOutput(&output);
        synth.reset();
    }
    // Steps until the output is complete or `bound` steps were made; the number of steps.
    int fill(int bound) {
        int steps = 0;
        while (steps < bound && !synth.isComplete()) {
            synth.step();
            ++steps;
        }
        return steps;
    }
};

// The placement state of a session: Halton points, counter and stream (seed 1).
struct PlacementFixture {
    HaltonTable halton;
    uint32_t counter = 0;
    RandomGenerator random{1};
    PlacementContext context;

    explicit PlacementFixture(MatchedPlacement* matched = nullptr) : context{halton, counter, random, matched} {}
};
