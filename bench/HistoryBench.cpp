// What the window waits for after a paste or a stop, before it takes input again: the worker
// records the output as a history entry (the synthesizer's state copied, the seams packed, the
// pixels compressed) and only then posts the run's end. Measured on a full tile made as a run
// makes one: blocks of a test texture from random places, side by side, with a seam record on
// every pixel pair across a block border (a cost from the two colours), since how fast and how
// small the pixels pack depends on their content. Undo puts such an entry back on the GUI
// thread, so that is measured too.
//
//   build-release/bench/HistoryBench
//
// Counters: pixels_MB and seams_KB (an entry's compressed bytes), ratio (pixel bytes kept per
// raw byte), records (seam records in the entry). Times are wall-clock: the capture may use
// more than one thread.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "chunks/MOSSynthesizer.h"
#include "session/HistoryEntry.h"
#include "support/TextureLoader.h"

namespace {

constexpr uint32_t kBlock = 96;

const char* const kTextures[] = {"nuts_01.png", "gravel.png", "metal_01.png", "text_01.png", "weave.png"};

int channelDistance(uint32_t a, uint32_t b) {
    int sum = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
        sum += d * d;
    }
    return sum;
}

PixelBuffer patchwork(const PixelBuffer& texture, uint32_t side) {
    PixelBuffer tile(side, side);
    std::mt19937 random(7);
    const uint32_t spanX = texture.width() > kBlock ? texture.width() - kBlock : 1;
    const uint32_t spanY = texture.height() > kBlock ? texture.height() - kBlock : 1;
    for (uint32_t by = 0; by < side; by += kBlock)
        for (uint32_t bx = 0; bx < side; bx += kBlock) {
            const uint32_t sx = random() % spanX, sy = random() % spanY;
            for (uint32_t y = by; y < std::min(side, by + kBlock); ++y)
                for (uint32_t x = bx; x < std::min(side, bx + kBlock); ++x)
                    tile.at(x, y) = texture.at((sx + x - bx) % texture.width(), (sy + y - by) % texture.height()) |
                                    0xFF000000u;
        }
    return tile;
}

std::unique_ptr<SynthesizerState> bordersOf(const PixelBuffer& tile, uint32_t placements) {
    auto state = std::make_unique<SynthesizerState>();
    state->placementCounter = placements;
    const uint32_t side = tile.width();
    for (uint32_t y = kBlock - 1; y + 1 < side; y += kBlock)
        for (uint32_t x = 0; x < side; ++x)
            state->seams.rowRecords.push_back(
                {side * y + x, side * (y + 1) + x, double(channelDistance(tile.at(x, y), tile.at(x, y + 1))) / 3.0});
    for (uint32_t x = kBlock - 1; x + 1 < side; x += kBlock)
        for (uint32_t y = 0; y < side; ++y)
            state->seams.columnRecords.push_back(
                {side * y + x, side * y + x + 1, double(channelDistance(tile.at(x, y), tile.at(x + 1, y))) / 3.0});
    return state;
}

void label(benchmark::State& state, uint32_t side) {
    state.SetLabel(std::string(kTextures[state.range(0)]) + " " + std::to_string(side) + "^2");
}

void BM_Capture(benchmark::State& state) {
    const uint32_t side = uint32_t(state.range(1));
    const PixelBuffer tile = patchwork(loadTexture(kTextures[state.range(0)]), side);
    const std::unique_ptr<SynthesizerState> full = bordersOf(tile, side / kBlock * (side / kBlock));
    label(state, side);
    std::unique_ptr<HistoryEntry> entry;
    for (auto _ : state) {
        state.PauseTiming();
        entry.reset();
        state.ResumeTiming();
        // The worker hands over a copy of the synthesizer's state; making it is part of the wait.
        entry = HistoryEntry::capture(tile, std::make_unique<SynthesizerState>(*full));
        if (!entry) {
            state.SkipWithError("the entry could not be made");
            return;
        }
    }
    state.counters["pixels_MB"] = double(entry->pixelBytes()) / (1024.0 * 1024.0);
    state.counters["seams_KB"] = double(entry->seams().size()) / 1024.0;
    state.counters["ratio"] = double(entry->pixelBytes()) / (double(tile.count()) * 4.0);
    state.counters["records"] = double(full->seams.rowRecords.size() + full->seams.columnRecords.size());
}

void BM_Restore(benchmark::State& state) {
    const uint32_t side = uint32_t(state.range(1));
    const PixelBuffer tile = patchwork(loadTexture(kTextures[state.range(0)]), side);
    const auto entry = HistoryEntry::capture(tile, bordersOf(tile, 1));
    label(state, side);
    PixelBuffer output(side, side);
    for (auto _ : state) {
        const auto seams = entry->snapshot();
        if (!seams || !entry->writePixelsTo(output)) {
            state.SkipWithError("the entry did not come back");
            return;
        }
    }
}

void sizes(benchmark::internal::Benchmark* bench) {
    for (int64_t texture = 0; texture < int64_t(std::size(kTextures)); ++texture)
        for (int64_t side : {1024, 2048, 4096})
            bench->Args({texture, side});
}

} // namespace

BENCHMARK(BM_Capture)->Apply(sizes)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
BENCHMARK(BM_Restore)->Args({0, 2048})->Args({0, 4096})->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
