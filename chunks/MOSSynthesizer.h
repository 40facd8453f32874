#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "chunks/HaltonTable.h"
#include "chunks/MatchedPlacement.h"
#include "chunks/PlacementParameters.h"
#include "engine/Box.h"
#include "engine/PasteJob.h"
#include "engine/PasteRecord.h"
#include "engine/PasteWorkspace.h"
#include "engine/PixelBuffer.h"
#include "engine/RandomGenerator.h"
#include "engine/SeamStore.h"

// What follows undo and redo: the placement counter and the remembered seams.
struct SynthesizerState {
    uint32_t placementCounter = 0;
    SeamSnapshot seams;
};

// Pastes chunks into the output, one per step, at the places the placement parameters give,
// cutting each into earlier content along a minimum-cost seam. Owned by the session model;
// runs on the worker thread, except requestAbort, which any thread may call.
class MOSSynthesizer {
public:
    // `placement` and `random` are the session's and must outlive the synthesizer.
    MOSSynthesizer(const PlacementParameters& placement, RandomGenerator& random);
    MOSSynthesizer(const MOSSynthesizer&) = delete;
    MOSSynthesizer& operator=(const MOSSynthesizer&) = delete;

    // The output to paste into (not owned; may be null). Call reset() afterwards.
    void setOutput(PixelBuffer* output);
    // Placement counter 0, seam store emptied to the output's size, completeness from the start.
    void reset();

    // A new copy of the state that undo and redo restore, owned by the caller.
    std::unique_ptr<SynthesizerState> saveState() const;
    // Throws std::bad_alloc, changing nothing, when memory runs out.
    void restoreState(const SynthesizerState& state);

    // True when every output pixel has alpha 255. Moves a cursor forward only, so repeated
    // calls cost the newly covered pixels; reset and restoreState start it again.
    bool isComplete();

    // The chunk to paste and its inner-limit map (chunk-sized; red and alpha non-zero =
    // forced), not owned, may be null. With SinglePaste and an angle or scale the synthesizer
    // pastes its own turned and scaled copy, cut to less than the output. Call again whenever
    // the buffer, the angle or the scale changed. `source` names the chunk in the paste record.
    void setChunk(const PixelBuffer* buffer, ChunkSource source = {});
    void setLimitMap(const PixelBuffer* buffer);

    // Every later paste that changes the output is appended to `record` (not owned, may be null:
    // no record, and no cost). A paste of a turned or scaled copy marks the record incomplete.
    void setPasteRecord(PasteRecord* record) { record_ = record; }

    // One paste of the whole used chunk at the next placement.
    PasteOutcome step();
    // Pastes sourceBox of the used chunk with its top-left pixel at destBox's origin.
    PasteOutcome pasteAt(const Box& destBox, const Box& sourceBox);

    // Region changed by the last paste (before wrap-around), empty when nothing changed.
    Box lastBox() const { return lastBox_; }
    // True when the last paste was stopped by a request (output unchanged).
    bool aborted() const { return aborted_ != 0; }
    PasteOutcome lastOutcome() const { return lastOutcome_; }
    // How much the last paste raised the output's alpha, summed over pixels (0: no coverage gained).
    uint64_t lastCoverageGain() const { return lastCoverageGain_; }

    // The most memory one paste may take, in bytes (0: no limit). A paste whose estimate is
    // larger is not made (PasteOutcome::OverBudget).
    void setMemoryBudget(uint64_t bytes) { memoryBudget_ = bytes; }
    uint64_t memoryBudget() const { return memoryBudget_; }
    // Held while a paste writes the output (PasteJob::setOutputLock); not owned, may be null.
    void setOutputLock(std::mutex* lock) { outputLock_ = lock; }
    // What the last paste was estimated to take, in bytes.
    uint64_t lastMemoryEstimate() const { return lastMemoryEstimate_; }

    // Stops the paste in progress, or the next one to start, at its next pixel or solver
    // stage. Thread-safe. The request holds until clearAbortRequest().
    void requestAbort();
    void clearAbortRequest();

    uint32_t placementCounter() const { return placementCounter_; }
    const SeamStore& seamStore() const { return seamStore_; }
    const MatchedPlacement& matchedPlacement() const { return matched_; }
    const PixelBuffer* usedChunk() const { return usedChunk_; }
    const PixelBuffer* usedLimitMap() const { return usedLimitMap_; }
    const PixelBuffer* output() const { return output_; }

private:
    // The given buffer as pasted: itself, or a turned, scaled and cut copy kept in `copy`.
    const PixelBuffer* transformed(const PixelBuffer* given, PixelBuffer& copy) const;
    PixelBuffer cutToOutput(const PixelBuffer& image) const;
    void record(PasteOutcome outcome, const PasteJob& job, const Box& destBox, const Box& sourceBox);

    const PlacementParameters& placement_;
    RandomGenerator& random_;
    HaltonTable halton_;
    MatchedPlacement matched_;
    uint32_t placementCounter_ = 0;
    PixelBuffer* output_ = nullptr;
    size_t completeCursor_ = 0;

    const PixelBuffer* givenChunk_ = nullptr;
    ChunkSource chunkSource_;
    const PixelBuffer* usedChunk_ = nullptr;
    PixelBuffer chunkCopy_;
    const PixelBuffer* givenLimitMap_ = nullptr;
    const PixelBuffer* usedLimitMap_ = nullptr;
    PixelBuffer limitCopy_;

    SeamStore seamStore_;
    PasteWorkspace workspace_;
    PasteRecord* record_ = nullptr;

    std::mutex jobMutex_; // guards currentJob_ and abortPending_ against requestAbort
    PasteJob* currentJob_ = nullptr;
    bool abortPending_ = false;

    uint8_t aborted_ = 0;
    Box lastBox_;
    PasteOutcome lastOutcome_ = PasteOutcome::Nothing;
    uint64_t lastCoverageGain_ = 0;
    uint64_t memoryBudget_ = 0;
    uint64_t lastMemoryEstimate_ = 0;
    std::mutex* outputLock_ = nullptr;
};
