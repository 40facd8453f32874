#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "apps/RunStatistics.h"
#include "chunks/ImageCollection.h"
#include "chunks/MOSSynthesizer.h"
#include "chunks/PlacementParameters.h"
#include "engine/PixelBuffer.h"
#include "engine/RandomGenerator.h"

// The automatic process without a window: the loop the interactive filter runs on its worker
// thread when "Start process" is pressed, driving one MOSSynthesizer over a fresh, empty output
// of its own. It pastes the current chunk again and again, or with mixing a chunk drawn by
// probability before every step, until every output pixel is opaque or a stop is requested.
class SynthRunner {
public:
    // Called after every step with the statistics so far and the output; runs on the calling
    // thread of run().
    using StepObserver = std::function<void(const RunStatistics&, const PixelBuffer&)>;

    // `images` must hold the inputs and outlive the runner; the run changes which chunk is
    // current. `placement` is copied; its cell size is set from the chunks when a run starts.
    SynthRunner(ImageCollection& images, const PlacementParameters& placement, uint32_t seed, uint32_t width,
                uint32_t height);
    SynthRunner(const SynthRunner&) = delete;
    SynthRunner& operator=(const SynthRunner&) = delete;

    RunStatistics run(const StepObserver& observer = {});

    // Every paste of later runs that changes the output is appended to `record` (not owned, may
    // be null), each naming its chunk by image key and position.
    void setPasteRecord(PasteRecord* record) { synthesizer_.setPasteRecord(record); }

    // Ends the run after the paste in progress, which is abandoned if it is still being cut.
    // Safe to call from any thread (not from a signal handler).
    void requestStop();

    const PixelBuffer& output() const { return output_; }
    const MOSSynthesizer& synthesizer() const { return synthesizer_; }

    // Steps in a row that may change nothing before the run is given up as stuck: enough to
    // cover the output four times over with the smallest chunk, and never fewer than 10000.
    uint64_t stallLimit() const;

private:
    bool pickFirstChunk();
    void setCellSize();
    void prepareChunk();
    bool drawNextChunk();

    ImageCollection& images_;
    PlacementParameters placement_;
    RandomGenerator random_;
    PixelBuffer output_;
    MOSSynthesizer synthesizer_;
    PixelBuffer chunkPixels_;
    PixelBuffer chunkMask_;
    std::atomic<bool> stopRequested_{false};
};
