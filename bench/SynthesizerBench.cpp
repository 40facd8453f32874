// Filling an output to completion from a test texture, and the pre-filter.
//
//   build-release/bench/SynthesizerBench
//
// Counters per scenario: steps, pastes by outcome (whole, cut, refused, nothing), cut_ms (mean
// time of a cut paste), peak_MB (most heap bytes live during the fill, output included).
#include <benchmark/benchmark.h>

#include <chrono>
#include <map>

#include "chunks/MOSSynthesizer.h"
#include "chunks/PreFilter.h"
#include "support/AllocationCounter.h"
#include "support/TextureLoader.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Scenario {
    const char* texture;
    uint32_t outputSize;
    PlacementMethod method;
    double amount; // jittering or covering factor
};

const Scenario kScenarios[] = {
    {"bricks.png", 512, PlacementMethod::Random, 0.0},
    {"bricks.png", 512, PlacementMethod::Random, 0.5},
    {"bricks.png", 512, PlacementMethod::SemiRegular, 0.25},
    {"nuts_01.png", 1024, PlacementMethod::Random, 0.0},
    {"nuts_01.png", 1024, PlacementMethod::Random, 0.5},
    {"nuts_01.png", 1024, PlacementMethod::SemiRegular, 0.25},
};

void BM_Fill(benchmark::State& state) {
    const Scenario& sc = kScenarios[state.range(0)];
    const PixelBuffer chunk = loadTexture(sc.texture);
    state.SetLabel(std::string(sc.texture) + " -> " + std::to_string(sc.outputSize) + "^2 " +
                   (sc.method == PlacementMethod::Random ? "random " : "semi-regular ") + std::to_string(sc.amount));
    std::map<PasteOutcome, double> count;
    double cutSeconds = 0, steps = 0;
    size_t peak = 0;
    for (auto _ : state) {
        const size_t base = liveHeapBytes();
        resetPeakHeapBytes();
        PlacementParameters placement;
        placement.method = sc.method;
        placement.jittering = placement.coveringFactor = sc.amount;
        placement.cellWidth = int32_t(chunk.width());
        placement.cellHeight = int32_t(chunk.height());
        RandomGenerator random(12345);
        PixelBuffer output(sc.outputSize, sc.outputSize);
        MOSSynthesizer synth(placement, random);
        synth.setOutput(&output);
        synth.reset();
        synth.setChunk(&chunk);
        while (!synth.isComplete()) {
            const auto t0 = Clock::now();
            const PasteOutcome outcome = synth.step();
            if (outcome == PasteOutcome::Cut)
                cutSeconds += std::chrono::duration<double>(Clock::now() - t0).count();
            count[outcome] += 1;
            steps += 1;
            if (outcome == PasteOutcome::Invalid || steps > 1e6)
                break;
        }
        peak = std::max(peak, peakHeapBytes() - base);
    }
    const double n = double(state.iterations());
    state.counters["steps"] = steps / n;
    state.counters["whole"] = count[PasteOutcome::Whole] / n;
    state.counters["cut"] = count[PasteOutcome::Cut] / n;
    state.counters["refused"] = count[PasteOutcome::Refused] / n;
    state.counters["nothing"] = count[PasteOutcome::Nothing] / n;
    state.counters["cut_ms"] = count[PasteOutcome::Cut] > 0 ? 1000.0 * cutSeconds / count[PasteOutcome::Cut] : 0.0;
    state.counters["peak_MB"] = double(peak) / (1024.0 * 1024.0);
}

void BM_HighPassFilter(benchmark::State& state) {
    const PixelBuffer image = loadTexture("gravel.png");
    for (auto _ : state)
        benchmark::DoNotOptimize(highPassFilter(image, int32_t(state.range(0))));
}

} // namespace

BENCHMARK(BM_Fill)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_HighPassFilter)->Arg(25)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
