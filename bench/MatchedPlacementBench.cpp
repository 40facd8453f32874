// Matched placement: one placement on a half-covered output, and whole 1024 x 1024 tiles made
// with matched placement against random placement at jitter 50 %.
//
//   build-release/bench/MatchedPlacementBench
//
// BM_Place counters: window (side of the full-resolution FFT window; chunks of at least
// MatchedPlacement::kCoarseSide are compared at half resolution, in a window about half as
// wide), matched (share of placements that compared positions). BM_Tile counters: steps, pastes, step_ms (mean time of one step:
// placement and paste).
#include <benchmark/benchmark.h>

#include <chrono>
#include <iterator>

#include "chunks/MOSSynthesizer.h"
#include "chunks/MatchedPlacement.h"
#include "support/TextureLoader.h"

namespace {

using Clock = std::chrono::steady_clock;

// The chunk cut from the gravel texture at the given side; the output covered in its left half by the
// same texture, so that every placement near the middle has overlap to compare.
struct HalfCovered {
    PixelBuffer chunk;
    PixelBuffer output;
};

HalfCovered halfCovered(uint32_t side, uint32_t outputSide) {
    const PixelBuffer texture = loadTexture("gravel.png");
    HalfCovered h;
    h.chunk = PixelBuffer(side, side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x)
            h.chunk.at(x, y) = texture.at(x % texture.width(), y % texture.height());
    h.output = PixelBuffer(outputSide, outputSide);
    for (uint32_t y = 0; y < outputSide; ++y)
        for (uint32_t x = 0; x < outputSide / 2; ++x)
            h.output.at(x, y) = texture.at((x + 101) % texture.width(), (y + 57) % texture.height());
    return h;
}

void BM_Place(benchmark::State& state) {
    const uint32_t side = uint32_t(state.range(0)), outputSide = 1024;
    HalfCovered h = halfCovered(side, outputSide);
    const HaltonTable halton;
    RandomGenerator random(5);
    MatchedPlacement matched;
    matched.setChunk(&h.chunk);
    double compared = 0;
    uint32_t counter = 0;
    for (auto _ : state) {
        PlacementContext context{halton, counter, random, &matched};
        benchmark::DoNotOptimize(matched.place(h.output, {side, side}, context));
        compared += matched.lastMatched() ? 1 : 0;
    }
    state.counters["window"] = OverlapErrors::windowSide(side, outputSide);
    state.counters["matched"] = compared / double(state.iterations());
}

struct TileCase {
    const char* texture;
    PlacementMethod method;
};

const TileCase kTiles[] = {
    {"bricks.png", PlacementMethod::Random},     {"bricks.png", PlacementMethod::Matched},
    {"weave.png", PlacementMethod::Random},      {"weave.png", PlacementMethod::Matched},
    {"flagstones.png", PlacementMethod::Random}, {"flagstones.png", PlacementMethod::Matched},
    {"gravel.png", PlacementMethod::Random},     {"gravel.png", PlacementMethod::Matched},
    {"text_01.png", PlacementMethod::Random},    {"text_01.png", PlacementMethod::Matched},
    {"nuts_01.png", PlacementMethod::Random},    {"nuts_01.png", PlacementMethod::Matched},
    {"metal_01.png", PlacementMethod::Random},   {"metal_01.png", PlacementMethod::Matched},
    {"mottle.png", PlacementMethod::Random},     {"mottle.png", PlacementMethod::Matched},
};

void BM_Tile(benchmark::State& state) {
    const TileCase& tc = kTiles[state.range(0)];
    const PixelBuffer chunk = loadTexture(tc.texture);
    // Inputs as large as the output are halved when loaded; the gravel texture (512) stays as it is.
    state.SetLabel(std::string(tc.texture) + (tc.method == PlacementMethod::Matched ? " matched" : " random 50%"));
    double steps = 0, pastes = 0, stepSeconds = 0;
    for (auto _ : state) {
        PlacementParameters placement;
        placement.method = tc.method;
        placement.jittering = 0.5;
        RandomGenerator random(1);
        PixelBuffer output(1024, 1024);
        MOSSynthesizer synth(placement, random);
        synth.setOutput(&output);
        synth.reset();
        synth.setChunk(&chunk);
        while (!synth.isComplete() && steps < 1e6) {
            const auto t0 = Clock::now();
            const PasteOutcome outcome = synth.step();
            stepSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
            steps += 1;
            pastes += outcome == PasteOutcome::Whole || outcome == PasteOutcome::Cut;
            if (outcome == PasteOutcome::Invalid)
                break;
        }
    }
    const double n = double(state.iterations());
    state.counters["steps"] = steps / n;
    state.counters["pastes"] = pastes / n;
    state.counters["step_ms"] = 1000.0 * stepSeconds / steps;
}

} // namespace

BENCHMARK(BM_Place)->Arg(64)->Arg(128)->Arg(256)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tile)->DenseRange(0, int(std::size(kTiles)) - 1)->Unit(benchmark::kMillisecond)->Iterations(1);

BENCHMARK_MAIN();
