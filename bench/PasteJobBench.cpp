// Graph build and minimum-cut solve on realistic overlaps, against Boost's
// boykov_kolmogorov_max_flow on an identical copy of the same graph, in the same run.
//
//   build-release/bench/PasteJobBench
//
// Counters per footprint: build_ms (classification, weight mask and graph), ours_ms (our
// solve with seam-store update and final labels), boost_ms, ratio = ours / boost,
// build_share = build / ours, peak_B_per_px: the most heap bytes live during build and solve,
// per overlap pixel, seam_nodes: old seams the overlap crosses (the footprints marked 1 meet
// the seams of an earlier paste), and the heap allocations of a whole paste job (construction
// to destruction): first_allocs for the first paste, which warms the workspace up untimed,
// and warm_allocs for each timed one after it. Boost solves a twin graph built the same way by
// a second workspace, so both solvers read edges laid out alike in an edge pool.
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

// The seams the measured paste meets: none, or with `crossing` those of an earlier cut of the
// same chunk a third of its size further right and down, which the overlap then crosses.
SeamStore seededStore(Overlap& o, const BufferView& chunkView, bool crossing) {
    SeamStore store;
    store.reset(o.output.width(), o.output.height());
    if (!crossing)
        return store;
    const int32_t W = int32_t(o.output.width()), H = int32_t(o.output.height());
    const int32_t x = (o.dest.x0 + o.dest.width() / 3) % W, y = (o.dest.y0 + o.dest.height() / 3) % H;
    PasteWorkspace workspace;
    PasteJob earlier(chunkView, BufferView(o.output, Box(x, y, x + o.dest.width() - 1, y + o.dest.height() - 1)),
                     store, &workspace);
    earlier.build(nullptr);
    if (earlier.decide() == PasteOutcome::Cut)
        earlier.solve();
    return store;
}

// One paste job of ours from construction to destruction: its times, flow and heap calls.
struct OurPaste {
    bool solved = false;
    double buildMs = 0, solveMs = 0, flow = 0;
    size_t allocations = 0;
    uint32_t seamNodes = 0;
};

OurPaste pasteOurs(Overlap& o, const BufferView& chunkView, const SeamStore& seeded, SeamStore& store,
                   PasteWorkspace& workspace) {
    OurPaste p;
    store = seeded; // the lists keep the storage of the last paste
    uint32_t nodes = 0;
    const size_t before = heapAllocations();
    {
        auto t0 = Clock::now();
        PasteJob job(chunkView, BufferView(o.output, o.dest), store, &workspace);
        job.build(nullptr);
        p.buildMs = msSince(t0);
        if (job.decide() == PasteOutcome::Cut) {
            t0 = Clock::now();
            job.solve();
            p.solveMs = msSince(t0);
            p.flow = job.flow();
            p.solved = true;
            nodes = uint32_t(job.seamNodes().size());
        }
    }
    p.allocations = heapAllocations() - before;
    p.seamNodes = nodes;
    return p;
}

void BM_PasteCut(benchmark::State& state) {
    const uint32_t w = uint32_t(state.range(0)), h = uint32_t(state.range(1));
    Overlap o = makeOverlap(w, h);
    SeamStore store;
    PasteWorkspace workspace;       // ours, kept across iterations as the synthesizer keeps it
    PasteWorkspace copyWorkspace;   // builds the identical graph that Boost solves
    const BufferView chunkView(o.chunk, Box(0, 0, int32_t(w) - 1, int32_t(h) - 1));
    const SeamStore seeded = seededStore(o, chunkView, state.range(2) != 0);
    // The first paste warms the workspace up; every timed one is a warm paste.
    const OurPaste first = pasteOurs(o, chunkView, seeded, store, workspace);
    if (!first.solved) {
        state.SkipWithError("overlap was not solved");
        return;
    }
    double buildMs = 0, oursMs = 0, boostMs = 0, flowDiff = 0;
    size_t peak = 0, warmAllocs = 0;
    for (auto _ : state) {
        const size_t base = liveHeapBytes();
        resetPeakHeapBytes();
        const OurPaste ours = pasteOurs(o, chunkView, seeded, store, workspace);
        peak = std::max(peak, peakHeapBytes() - base);
        warmAllocs += ours.allocations;

        // Boost's run on an identical graph in the twin workspace's own edge pool.
        store = seeded;
        double boostFlow = 0, theirs = 0;
        {
            PasteJob twin(chunkView, BufferView(o.output, o.dest), store, &copyWorkspace);
            twin.build(nullptr);
            const auto t0 = Clock::now();
            boostFlow = boostMaxFlow(copyWorkspace.graph);
            theirs = msSince(t0);
        }

        state.SetIterationTime(ours.solveMs / 1000.0);
        buildMs += ours.buildMs;
        oursMs += ours.solveMs;
        boostMs += theirs;
        flowDiff = std::max(flowDiff, std::abs(ours.flow - boostFlow) / std::max(1.0, boostFlow));
    }
    const double n = double(state.iterations());
    state.counters["overlap_px"] = o.overlapPixels;
    state.counters["seam_nodes"] = first.seamNodes;
    state.counters["build_ms"] = buildMs / n;
    state.counters["ours_ms"] = oursMs / n;
    state.counters["boost_ms"] = boostMs / n;
    state.counters["ratio"] = oursMs / boostMs;
    state.counters["build_share"] = buildMs / oursMs;
    state.counters["peak_B_per_px"] = double(peak) / o.overlapPixels;
    state.counters["flow_rel_diff"] = flowDiff;
    state.counters["first_allocs"] = double(first.allocations);
    state.counters["warm_allocs"] = double(warmAllocs) / n;
}

} // namespace

// Width, height, and 1 when the overlap crosses the seams of an earlier paste.
BENCHMARK(BM_PasteCut)
    ->Args({64, 64, 0})
    ->Args({128, 128, 0})
    ->Args({256, 256, 0})
    ->Args({512, 512, 0})
    ->Args({32, 512, 0})
    ->Args({256, 256, 1})
    ->Args({512, 512, 1})
    ->UseManualTime()
    ->MinTime(2.0)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
