// Companion maps: what giving a run's pastes to other maps costs, next to the run itself. A
// 1024 x 1024 tile from the 256 x 256 demo texture (random placement, jitter 50 %), with 0, 1
// and 3 companions (8-bit colour, 8-bit grey, 16-bit colour), each replayed from the paste
// record and written as synth writes it (files in a temporary folder, on /dev/shm when there is
// one).
//
//   build-release/bench/CompanionBench
//
// Counters, in processor time of the benchmark's thread: synth_ms (the run, recording
// included), replay_ms and write_ms (per companion),
// out_write_ms (OUT), per_companion_pct (replay + write of one companion over synth_ms),
// record_B_per_px (the paste record per output pixel), extra_B_per_px (peak heap beyond that of
// the run without companions and the largest companion canvas, per output pixel; negative when
// the canvases fit under the run's own peak), peak_MB (heap bytes live at the peak).
#include <benchmark/benchmark.h>

#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <string>
#include <vector>

#include "apps/DemoTexture.h"
#include "apps/SynthRunner.h"
#include "apps/TileFiles.h"
#include "chunks/CompanionReplay.h"
#include "support/AllocationCounter.h"

namespace {

constexpr uint32_t kSide = 1024;

// Processor time of this thread: on a shared machine wall time says more about the neighbours.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double msSince(double t) { return cpuMs() - t; }

std::string scratchFolder() {
    std::string pattern = std::filesystem::exists("/dev/shm") ? "/dev/shm/patchloom-bench-XXXXXX"
                                                                : "/tmp/patchloom-bench-XXXXXX";
    return mkdtemp(pattern.data()) ? pattern : "/tmp";
}

// Three maps of the input's size: recoloured, grey, and 16-bit with a pattern in the low bytes.
std::vector<CompanionMap> makeMaps(const PixelBuffer& input, int count) {
    std::vector<CompanionMap> maps(static_cast<size_t>(count));
    for (int c = 0; c < count; ++c) {
        if (c == 2) {
            maps[2].deepPixels = DeepPixelBuffer(input.width(), input.height());
            for (uint32_t i = 0; i < input.count(); ++i) {
                const uint32_t p = input.pixels()[i];
                maps[2].deepPixels.pixels()[i] = DeepPixel{uint16_t(redOf(p) << 8 | (i & 0xFF)), uint16_t(greenOf(p) << 8),
                                                           uint16_t(blueOf(p) << 8 | 0x80), 0};
            }
            continue;
        }
        maps[size_t(c)].pixels = PixelBuffer(input.width(), input.height());
        for (uint32_t i = 0; i < input.count(); ++i) {
            const uint32_t p = input.pixels()[i], grey = (redOf(p) + greenOf(p) + blueOf(p)) / 3;
            maps[size_t(c)].pixels.pixels()[i] =
                c == 0 ? makePixel(255, 255 - redOf(p), blueOf(p), greenOf(p)) : makePixel(255, grey, grey, grey);
        }
    }
    return maps;
}

double gPeakWithout = 0;

void BM_TileWithCompanions(benchmark::State& state) {
    const int count = int(state.range(0));
    const PixelBuffer input = DemoTexture::make(256);
    const std::vector<CompanionMap> maps = makeMaps(input, count);
    const std::string folder = scratchFolder();
    double synthMs = 0, replayMs = 0, writeMs = 0, outWriteMs = 0, recordBytes = 0, extra = count > 0 ? -1e300 : 0;
    size_t peak = 0;
    for (auto _ : state) {
        const size_t base = liveHeapBytes();
        resetPeakHeapBytes();
        ImageCollection images;
        const uint32_t key = images.addImage(input);
        images.setCurrent(key);
        images.normaliseProbabilities(-1.0f);
        PlacementParameters placement;
        placement.jittering = 0.5;
        SynthRunner runner(images, placement, 12345, kSide, kSide);
        PasteRecord record;
        if (count > 0)
            runner.setPasteRecord(&record);
        auto t = cpuMs();
        runner.run();
        synthMs += msSince(t);
        recordBytes += double(record.memoryBytes());

        TileFiles files;
        std::string error;
        t = cpuMs();
        if (!files.add(folder + "/out.png", runner.output(), error))
            state.SkipWithError(error.c_str());
        outWriteMs += msSince(t);
        size_t largestCanvas = 0;
        for (int c = 0; c < count; ++c) {
            const std::string path = folder + "/map" + std::to_string(c) + ".png";
            CompanionReplay replay(images, record);
            const CompanionMaps byKey{{key, &maps[size_t(c)]}};
            auto replayAndWrite = [&](auto& canvas, size_t bytesPerPixel) {
                largestCanvas = std::max(largestCanvas, size_t(kSide) * kSide * bytesPerPixel);
                auto r = cpuMs();
                if (replay.replay(byKey, canvas) != ReplayOutcome::Done)
                    state.SkipWithError("replay failed");
                replayMs += msSince(r);
                r = cpuMs();
                if (!files.add(path, canvas, error))
                    state.SkipWithError(error.c_str());
                writeMs += msSince(r);
            };
            if (maps[size_t(c)].isDeep()) {
                DeepPixelBuffer canvas(kSide, kSide);
                replayAndWrite(canvas, sizeof(DeepPixel));
            } else {
                PixelBuffer canvas(kSide, kSide);
                replayAndWrite(canvas, sizeof(uint32_t));
            }
        }
        if (!files.commit(error))
            state.SkipWithError(error.c_str());
        const size_t used = peakHeapBytes() - base;
        peak = std::max(peak, used);
        if (count == 0)
            gPeakWithout = double(used);
        else
            extra = std::max(extra, (double(used) - gPeakWithout - double(largestCanvas)) / (double(kSide) * kSide));
    }
    std::filesystem::remove_all(folder);
    const double n = double(state.iterations()), perCompanion = count > 0 ? n * count : 1;
    state.counters["synth_ms"] = synthMs / n;
    state.counters["replay_ms"] = replayMs / perCompanion;
    state.counters["write_ms"] = writeMs / perCompanion;
    state.counters["out_write_ms"] = outWriteMs / n;
    state.counters["per_companion_pct"] = count > 0 ? 100.0 * (replayMs + writeMs) / perCompanion / (synthMs / n) : 0;
    state.counters["record_B_per_px"] = recordBytes / n / (double(kSide) * kSide);
    state.counters["extra_B_per_px"] = extra;
    state.counters["peak_MB"] = double(peak) / (1 << 20);
}

} // namespace

BENCHMARK(BM_TileWithCompanions)->Arg(0)->Arg(1)->Arg(3)->Iterations(3)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
