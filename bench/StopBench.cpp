// What a Ctrl+C on a large tile waits for once the paste in progress is abandoned: writing the
// part done so far as OUT, and the report's quality figures, which are measured beside the
// write. The output is half covered (the top half tiled with the demo texture, the rest still
// transparent), as a stop in the middle of a run leaves it. Files go to a temporary folder, on
// /dev/shm when there is one.
//
//   build-release/bench/StopBench
//
// Counters, in processor time of the benchmark's thread: write_ms (the PNG written and put in
// place) and figures_ms (QualityFigures::measure without seams, each pixel traced to itself,
// and the repetition score).
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <string>

#include "apps/DemoTexture.h"
#include "apps/QualityFigures.h"
#include "apps/RepetitionScore.h"
#include "apps/TileFiles.h"

namespace {

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

std::string scratchFolder() {
    std::string pattern = std::filesystem::exists("/dev/shm") ? "/dev/shm/patchloom-bench-XXXXXX"
                                                               : "/tmp/patchloom-bench-XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

PixelBuffer halfCovered(uint32_t side) {
    const PixelBuffer texture = DemoTexture::make();
    PixelBuffer output(side, side);
    for (uint32_t y = 0; y < side / 2; ++y)
        for (uint32_t x = 0; x < side; ++x)
            output.at(x, y) = texture.at(x % texture.width(), y % texture.height());
    return output;
}

void BM_Stop(benchmark::State& state) {
    const uint32_t side = uint32_t(state.range(0));
    const PixelBuffer output = halfCovered(side);
    const SeamStore seams;
    // Each pixel traced to itself: the wrap pairs are judged as in a report.
    PixelOrigins origins(side, side, {&output});
    for (uint32_t i = 0; i < output.count(); ++i)
        origins.set(i, 0, i % side, i / side);
    const std::string folder = scratchFolder();
    double writeMs = 0, figuresMs = 0;
    for (auto _ : state) {
        double start = cpuMs();
        TileFiles files;
        std::string error;
        if (!files.add(folder + "/out.png", output, error) || !files.commit(error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        writeMs += cpuMs() - start;
        start = cpuMs();
        benchmark::DoNotOptimize(QualityFigures::measure(output, seams, &origins));
        benchmark::DoNotOptimize(RepetitionScore::ofTile(output));
        figuresMs += cpuMs() - start;
    }
    const double runs = double(state.iterations());
    state.counters["write_ms"] = writeMs / runs;
    state.counters["figures_ms"] = figuresMs / runs;
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(BM_Stop)->Arg(4096)->Arg(8192)->Iterations(2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
