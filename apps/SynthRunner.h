#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "chunks/ImageCollection.h"
#include "chunks/MOSSynthesizer.h"
#include "chunks/PlacementParameters.h"
#include "chunks/RunStatistics.h"
#include "engine/PixelBuffer.h"
#include "engine/RandomGenerator.h"

// The automatic process without a window: the same run the interactive filter makes on its
// worker thread when "Start process" is pressed (SynthesisRun), driving one MOSSynthesizer over
// a fresh, empty output of its own.
class SynthRunner {
public:
    // Called after every step with the statistics so far and the output; runs on the calling
    // thread of run().
    using StepObserver = std::function<void(const RunStatistics&, const PixelBuffer&)>;

    // `images` must hold the inputs and outlive the runner; the run changes which chunk is
    // current and puts it back. `placement` is copied; its cell size is set from the chunks when
    // a run starts.
    SynthRunner(ImageCollection& images, const PlacementParameters& placement, uint32_t seed, uint32_t width,
                uint32_t height);
    SynthRunner(const SynthRunner&) = delete;
    SynthRunner& operator=(const SynthRunner&) = delete;

    // Pastes until the output is full, a stop is requested or the run gives up; `end` of the
    // result says which.
    RunStatistics run(const StepObserver& observer = {});

    // Every paste of later runs that changes the output is appended to `record` (not owned, may
    // be null), each naming its chunk by image key and position.
    void setPasteRecord(PasteRecord* record) { synthesizer_.setPasteRecord(record); }

    // Ends the run after the paste in progress, which is abandoned if it is still being cut.
    // Safe to call from any thread (not from a signal handler).
    void requestStop();

    const PixelBuffer& output() const { return output_; }
    const MOSSynthesizer& synthesizer() const { return synthesizer_; }

private:
    ImageCollection& images_;
    PlacementParameters placement_;
    RandomGenerator random_;
    PixelBuffer output_;
    MOSSynthesizer synthesizer_;
    PixelBuffer chunkPixels_;
    PixelBuffer chunkMask_;
    std::atomic<bool> stopRequested_{false};
};
