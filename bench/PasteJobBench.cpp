// Graph build and minimum-cut solve on realistic overlaps, against Boost's
// boykov_kolmogorov_max_flow on an identical copy of the same graph, in the same run.
//
//   build-release/bench/PasteJobBench
//
// Counters per footprint: build_ms (classification, weight mask and graph), ours_ms (our
// solve with seam-store update and final labels), boost_ms, ratio = ours / boost,
// build_share = build / ours, peak_B_per_px: the most heap bytes live during build and solve,
// per overlap pixel, and the heap allocations of a whole paste job (construction to
// destruction): first_allocs for the first paste, warm_allocs for each later one on the same
// workspace. Boost solves a twin graph built the same way by a second workspace, so both
// solvers read edges laid out alike in an edge pool.
#include <benchmark/benchmark.h>

#include <chrono>

#include "engine/PasteJob.h"
#include "support/GraphTools.h"
#include "support/AllocationCounter.h"
#include "support/TextureLoader.h"

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

struct Overlap {
    PixelBuffer output;
    PixelBuffer chunk;
    Box dest;
    uint32_t overlapPixels = 0;
};

// gravel.png as the old output; the same picture shifted by (37, 23) as a w x h chunk at
// (x0, y0); an 8-pixel band along the footprint's right and bottom sides left uncovered,
// so that the overlap is tied to the old output at the border and to the chunk at the band.
Overlap makeOverlap(uint32_t w, uint32_t h) {
    Overlap o;
    const PixelBuffer texture = loadTexture("gravel.png");
    const uint32_t W = texture.width(), H = texture.height();
    o.output = texture;
    o.chunk = PixelBuffer(w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            o.chunk.at(x, y) = texture.at((x + 37) % W, (y + 23) % H);
    const uint32_t x0 = w == W ? 0 : 100, y0 = h == H ? 0 : 100;
    o.dest = Box(int32_t(x0), int32_t(y0), int32_t(x0 + w - 1), int32_t(y0 + h - 1));
    const uint32_t band = 8;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            if (x >= w - band || y >= h - band)
                o.output.at((x0 + x) % W, (y0 + y) % H) = 0;
            else
                ++o.overlapPixels;
    return o;
}

void BM_PasteCut(benchmark::State& state) {
    const uint32_t w = uint32_t(state.range(0)), h = uint32_t(state.range(1));
    Overlap o = makeOverlap(w, h);
    SeamStore store;
    PasteWorkspace workspace;       // ours, kept across iterations as the synthesizer keeps it
    PasteWorkspace copyWorkspace;   // builds the identical graph that Boost solves
    double buildMs = 0, oursMs = 0, boostMs = 0, flowDiff = 0;
    size_t peak = 0, firstAllocs = 0, warmAllocs = 0, pastes = 0;
    const BufferView chunkView(o.chunk, Box(0, 0, int32_t(w) - 1, int32_t(h) - 1));
    for (auto _ : state) {
        store.reset(o.output.width(), o.output.height());
        const size_t base = liveHeapBytes();
        resetPeakHeapBytes();
        const size_t allocsBefore = heapAllocations();
        double build = 0, ours = 0, ourFlow = 0;
        {
            auto t0 = Clock::now();
            PasteJob job(chunkView, BufferView(o.output, o.dest), store, &workspace);
            job.build(nullptr);
            build = msSince(t0);
            if (job.decide() != PasteOutcome::Cut) {
                state.SkipWithError("overlap was not solved");
                return;
            }
            t0 = Clock::now();
            job.solve();
            ours = msSince(t0);
            ourFlow = job.flow();
        }
        (pastes++ == 0 ? firstAllocs : warmAllocs) += heapAllocations() - allocsBefore;
        peak = std::max(peak, peakHeapBytes() - base);

        // Boost's run on an identical graph in the twin workspace's own edge pool.
        store.reset(o.output.width(), o.output.height());
        double boostFlow = 0, theirs = 0;
        {
            PasteJob twin(chunkView, BufferView(o.output, o.dest), store, &copyWorkspace);
            twin.build(nullptr);
            const auto t0 = Clock::now();
            boostFlow = boostMaxFlow(copyWorkspace.graph);
            theirs = msSince(t0);
        }

        state.SetIterationTime(ours / 1000.0);
        buildMs += build;
        oursMs += ours;
        boostMs += theirs;
        flowDiff = std::max(flowDiff, std::abs(ourFlow - boostFlow) / std::max(1.0, boostFlow));
    }
    const double n = double(state.iterations());
    state.counters["overlap_px"] = o.overlapPixels;
    state.counters["build_ms"] = buildMs / n;
    state.counters["ours_ms"] = oursMs / n;
    state.counters["boost_ms"] = boostMs / n;
    state.counters["ratio"] = oursMs / boostMs;
    state.counters["build_share"] = buildMs / oursMs;
    state.counters["peak_B_per_px"] = double(peak) / o.overlapPixels;
    state.counters["flow_rel_diff"] = flowDiff;
    state.counters["first_allocs"] = double(firstAllocs);
    state.counters["warm_allocs"] = pastes > 1 ? double(warmAllocs) / double(pastes - 1) : 0.0;
}

} // namespace

BENCHMARK(BM_PasteCut)
    ->Args({64, 64})
    ->Args({128, 128})
    ->Args({256, 256})
    ->Args({512, 512})
    ->Args({32, 512})
    ->UseManualTime()
    ->MinTime(2.0)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
