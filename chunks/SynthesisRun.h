#pragma once

#include <cstdint>
#include <mutex>

#include "chunks/ImageCollection.h"
#include "chunks/MOSSynthesizer.h"
#include "chunks/PlacementParameters.h"
#include "chunks/RunStatistics.h"
#include "engine/PixelBuffer.h"
#include "engine/RandomGenerator.h"

// What a run works on; all of it belongs to the caller and outlives the run.
struct RunContext {
    MOSSynthesizer& synthesizer; // its output is the one filled
    ImageCollection& images;     // the run changes which chunk is current, and puts it back
    PlacementParameters& placement; // method and grid cell are set for the run, the method put back
    RandomGenerator& random;     // mixing draws from it, as placement does
    PixelBuffer& chunkPixels;    // the current chunk as handed to the synthesizer
    PixelBuffer& chunkMask;      // and its inner-limit map
    bool& chunkChanged;          // true: both buffers must be rebuilt before the next paste
    // Held while the run changes which image and chunk are current, so that another thread
    // may show them meanwhile (not owned; null: no lock).
    std::mutex* viewLock = nullptr;
};

// Hooks into a run, called on the thread that runs it.
class RunListener {
public:
    virtual ~RunListener();
    // After every step, with the figures so far; `stats.end` is not yet decided.
    virtual void stepTaken(const RunStatistics& stats);
    // The automatic run goes on after its step `index` (0-based).
    virtual void goingOn(uint64_t index);
    // Asked once per step of an automatic run: true ends it there. A paste in progress is
    // abandoned through MOSSynthesizer::requestAbort, which the caller calls itself.
    virtual bool stopRequested();
};

// One run of pastes, the same for the window's worker and the command line: the automatic
// process, which pastes until the output is full (on the grid: and the pass that filled it
// has crossed the output's edges), a stop is requested or the chunks can no longer raise its
// coverage; or the single interactive paste. Mixing draws a chunk among all chunks by
// probability before every automatic step. Memory running out ends the run, never the process.
// Not thread-safe; one run at a time on one context.
class SynthesisRun {
public:
    // Steps in a row that may raise no coverage before an automatic run is given up.
    static constexpr uint64_t kMinimumStallSteps = 1000;

    SynthesisRun(const RunContext& context, RunListener& listener);

    // The most memory one paste may take, in bytes; 0 (the default) gives each run
    // MemoryBudget::defaultLimit() as it starts.
    void setMemoryLimit(uint64_t bytes) { memoryLimit_ = bytes; }

    // The automatic process with the placement's method.
    RunStatistics runAutomatic();
    // One paste of the current chunk at (pasteX, pasteY), turned and scaled by the placement.
    RunStatistics pasteOnce();

    // Steps in a row without coverage gained that end an automatic run: enough to cover the
    // output four times over with the smallest chunk, a full pass over the semi-regular grid
    // twice, and never fewer than kMinimumStallSteps.
    uint64_t stallLimit() const;

private:
    struct Start {
        uint32_t imageKey = 0;
        size_t chunk = 0;
        PlacementMethod method = PlacementMethod::Random;
    };

    bool begin(RunStatistics& stats, bool single);
    void end(RunStatistics& stats);
    RunEnd loop(RunStatistics& stats);
    RunEnd judgeStep(PasteOutcome outcome, uint64_t& idle, uint64_t limit);
    static RunEnd memoryEnd(PasteOutcome outcome);
    PasteOutcome stepChunk(InputImage& image);
    void prepareChunk(InputImage& image);
    bool drawNextChunk();
    bool canDrawPasteableChunk() const;
    uint32_t strongestAlpha();
    bool canRaiseCoverage(uint32_t ceiling);
    uint64_t gridCells() const;
    bool gridPassUnfinished() const;

    RunContext c_;
    RunListener& listener_;
    Start start_;
    size_t raiseCursor_ = 0;
    bool startedIncomplete_ = false; // the output was not yet full when the run began
    double startTime_ = 0.0;
    uint64_t memoryLimit_ = 0;
};

// Why a run ended before the output was full, as a phrase for the user ("the chunk ..."); empty
// for ends that need no explanation (complete, single paste done, stopped).
const char* runEndReason(RunEnd end);

// The lowest output alpha that chunk pixels of at most `strongest` alpha can no longer raise:
// 255 for an opaque chunk pixel, 254 for alpha 128, 0 when the chunk is fully transparent.
uint32_t coverageCeiling(uint32_t strongest);
