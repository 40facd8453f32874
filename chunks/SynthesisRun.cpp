#include "chunks/SynthesisRun.h"

#include <algorithm>
#include <chrono>
#include <new>

#include "chunks/ChunkBuffers.h"
#include "chunks/Placement.h"
#include "engine/MemoryBudget.h"
#include "engine/OptionalLock.h"

namespace {

double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

RunListener::~RunListener() = default;
void RunListener::stepTaken(const RunStatistics&) {}
void RunListener::goingOn(uint64_t) {}
bool RunListener::stopRequested() { return false; }

const char* runEndReason(RunEnd end) {
    switch (end) {
    case RunEnd::NotOpaqueEnough:
        return "the chunks have no pixel opaque enough to cover the rest of the output";
    case RunEnd::Stalled:
        return "the chunks no longer cover any more of the output";
    case RunEnd::CannotPaste:
        return "the chunk could not be pasted: it does not fit the output";
    case RunEnd::OverBudget:
        return "a paste of the chunk would need more memory than it may use";
    case RunEnd::OutOfMemory:
        return "there is not enough memory for the chunk or its paste";
    case RunEnd::NothingToPaste:
        return "there is no chunk to paste";
    case RunEnd::Complete:
    case RunEnd::StepDone:
    case RunEnd::Stopped:
        break;
    }
    return "";
}

// A blend with chunk alpha a raises an output alpha d (0 < d < 255) only when
// a * (255 - d) >= 255; a transparent output pixel rises with any a above 0.
uint32_t coverageCeiling(uint32_t strongest) {
    if (strongest == 0)
        return 0;
    strongest = std::min<uint32_t>(strongest, 255);
    return 256 - (255 + strongest - 1) / strongest;
}

SynthesisRun::SynthesisRun(const RunContext& context, RunListener& listener) : c_(context), listener_(listener) {}

uint64_t SynthesisRun::stallLimit() const {
    const PixelBuffer* output = c_.synthesizer.output();
    const uint64_t pixels = output ? output->count() : 0;
    const Extent smallest = c_.images.minChunkSize();
    const uint64_t area = uint64_t(std::max<int64_t>(1, smallest.width)) * uint64_t(std::max<int64_t>(1, smallest.height));
    uint64_t limit = std::max<uint64_t>(kMinimumStallSteps, 4 * pixels / area);
    if (c_.placement.method == PlacementMethod::SemiRegular)
        limit = std::max(limit, 2 * gridCells());
    return limit;
}

// Makes sure there is an image to paste from and sets the placement up for the run.
bool SynthesisRun::begin(RunStatistics& stats, bool single) {
    startTime_ = now();
    const bool hadImage = c_.images.currentImage() != nullptr;
    bool ready = false;
    {
        const std::unique_lock<std::mutex> view = lockIfAny(c_.viewLock);
        ready = c_.images.ensureRunImage(c_.placement.mixChunks, c_.random);
    }
    if (!ready) {
        stats.finish(RunEnd::NothingToPaste);
        return false;
    }
    if (!hadImage)
        c_.chunkChanged = true;
    const InputImage* image = c_.images.currentImage();
    start_ = {c_.images.currentKey(), image->currentChunk(), c_.placement.method};
    if (single)
        c_.placement.method = PlacementMethod::SinglePaste;
    if (c_.placement.method == PlacementMethod::SemiRegular)
        setGridCell(c_.placement, c_.images);
    stats.memoryBudget = memoryLimit_ != 0 ? memoryLimit_ : MemoryBudget::defaultLimit();
    c_.synthesizer.setMemoryBudget(stats.memoryBudget);
    raiseCursor_ = 0;
    return true;
}

// Puts back the image, chunk and method that were current when the run began.
void SynthesisRun::end(RunStatistics& stats) {
    {
        const std::unique_lock<std::mutex> view = lockIfAny(c_.viewLock);
        if (c_.images.setCurrent(start_.imageKey))
            c_.images.currentImage()->setCurrentChunk(start_.chunk);
    }
    c_.placement.method = start_.method;
    // The buffers may hold the last chunk drawn rather than the one current again.
    if (c_.placement.mixChunks)
        c_.chunkChanged = true;
    stats.elapsedSeconds = now() - startTime_;
}

RunStatistics SynthesisRun::runAutomatic() {
    RunStatistics stats;
    if (!begin(stats, false))
        return stats;
    RunEnd how;
    try {
        how = loop(stats);
    } catch (const std::bad_alloc&) {
        how = RunEnd::OutOfMemory;
    }
    stats.finish(how);
    end(stats);
    return stats;
}

RunStatistics SynthesisRun::pasteOnce() {
    RunStatistics stats;
    if (!begin(stats, true))
        return stats;
    RunEnd how = RunEnd::StepDone;
    try {
        const PasteOutcome outcome = stepChunk(*c_.images.currentImage());
        if (!c_.images.currentImage()->current().empty)
            stats.count(outcome);
        if (outcome == PasteOutcome::Aborted)
            how = RunEnd::Stopped;
        else if (memoryEnd(outcome) != RunEnd::StepDone)
            how = memoryEnd(outcome);
        if (outcome == PasteOutcome::OverBudget)
            stats.refusedMemory = c_.synthesizer.lastMemoryEstimate();
    } catch (const std::bad_alloc&) {
        how = RunEnd::OutOfMemory;
    }
    stats.finish(how);
    end(stats);
    return stats;
}

RunEnd SynthesisRun::loop(RunStatistics& stats) {
    const bool canDraw = canDrawPasteableChunk();
    const uint32_t ceiling = coverageCeiling(strongestAlpha());
    const uint64_t limit = stallLimit();
    startedIncomplete_ = !c_.synthesizer.isComplete();
    uint64_t idle = 0;
    for (uint64_t i = 0;; ++i) {
        InputImage* image = c_.images.currentImage();
        if (!image || (image->current().empty && !canDraw))
            return RunEnd::NothingToPaste;
        if (!canRaiseCoverage(ceiling))
            return RunEnd::NotOpaqueEnough;
        const PasteOutcome outcome = stepChunk(*image);
        if (!image->current().empty)
            stats.count(outcome);
        RunEnd how = judgeStep(outcome, idle, limit);
        if (outcome == PasteOutcome::OverBudget)
            stats.refusedMemory = c_.synthesizer.lastMemoryEstimate();
        stats.elapsedSeconds = now() - startTime_;
        listener_.stepTaken(stats);
        if (how == RunEnd::StepDone && listener_.stopRequested())
            how = RunEnd::Stopped;
        if (how != RunEnd::StepDone)
            return how;
        listener_.goingOn(i);
        if (c_.placement.mixChunks && drawNextChunk())
            c_.chunkChanged = true;
    }
}

// How the step just taken ends the run; StepDone when the run goes on.
RunEnd SynthesisRun::judgeStep(PasteOutcome outcome, uint64_t& idle, uint64_t limit) {
    idle = c_.synthesizer.lastCoverageGain() > 0 ? 0 : idle + 1;
    if (c_.synthesizer.isComplete() && !gridPassUnfinished())
        return RunEnd::Complete;
    if (outcome == PasteOutcome::Aborted)
        return RunEnd::Stopped;
    if (outcome == PasteOutcome::Invalid)
        return RunEnd::CannotPaste;
    if (memoryEnd(outcome) != RunEnd::StepDone)
        return memoryEnd(outcome);
    if (idle >= limit)
        return RunEnd::Stalled;
    return RunEnd::StepDone;
}

// A paste refused for its memory ends the run: every later paste of the chunk is as large.
RunEnd SynthesisRun::memoryEnd(PasteOutcome outcome) {
    if (outcome == PasteOutcome::OverBudget)
        return RunEnd::OverBudget;
    if (outcome == PasteOutcome::OutOfMemory)
        return RunEnd::OutOfMemory;
    return RunEnd::StepDone;
}

// One synthesizer step with the image's current chunk; an empty chunk pastes nothing.
PasteOutcome SynthesisRun::stepChunk(InputImage& image) {
    if (c_.chunkChanged)
        prepareChunk(image);
    if (image.current().empty)
        return PasteOutcome::Nothing;
    return c_.synthesizer.step();
}

void SynthesisRun::prepareChunk(InputImage& image) {
    makeChunkPixels(image, c_.chunkPixels);
    c_.synthesizer.setChunk(&c_.chunkPixels, ChunkSource{c_.images.currentKey(), uint32_t(image.currentChunk())});
    makeChunkMask(image, c_.chunkMask);
    c_.synthesizer.setLimitMap(&c_.chunkMask);
    c_.chunkChanged = false;
}

// Draws the next chunk among all chunks; true when a different chunk became current.
bool SynthesisRun::drawNextChunk() {
    const uint32_t key = c_.images.currentKey();
    const size_t chunk = c_.images.currentImage()->currentChunk();
    const std::unique_lock<std::mutex> view = lockIfAny(c_.viewLock);
    c_.images.drawRandomChunk(c_.random);
    return c_.images.currentKey() != key || c_.images.currentImage()->currentChunk() != chunk;
}

// Whether mixing can ever bring a chunk that has something to paste.
bool SynthesisRun::canDrawPasteableChunk() const {
    if (!c_.placement.mixChunks)
        return false;
    for (const auto& [key, image] : c_.images.images())
        for (const Chunk& chunk : image->chunks())
            if (!chunk.empty && chunk.probability > 0.0f)
                return true;
    return false;
}

// The most opaque pixel the run can paste: of the current chunk, or with mixing of every
// chunk that can be drawn.
uint32_t SynthesisRun::strongestAlpha() {
    if (!c_.placement.mixChunks) {
        InputImage& image = *c_.images.currentImage();
        return image.current().empty ? 0 : ::strongestAlpha(image, image.current());
    }
    uint32_t strongest = 0;
    for (const auto& [key, image] : c_.images.images())
        for (const Chunk& chunk : image->chunks())
            if (!chunk.empty && chunk.probability > 0.0f && strongest < 255)
                strongest = std::max(strongest, ::strongestAlpha(*image, chunk));
    return strongest;
}

uint64_t SynthesisRun::gridCells() const {
    const PixelBuffer* output = c_.synthesizer.output();
    if (!output)
        return 1;
    return gridCellCount({output->width(), output->height()}, {c_.placement.cellWidth, c_.placement.cellHeight},
                         c_.placement.coveringFactor);
}

// A grid pass ends with the row and the column of cells that cross the output's bottom and right
// edges. An output covered before them would keep the straight, uncut border where the tile
// meets its next copy, so a run that covers the output goes on to the end of the pass.
bool SynthesisRun::gridPassUnfinished() const {
    return c_.placement.method == PlacementMethod::SemiRegular && startedIncomplete_ &&
           c_.synthesizer.placementCounter() % gridCells() != 0;
}

// Whether some output pixel lies below `ceiling`, the alpha the run's chunks can raise it to.
// Alpha never falls during a run, so the scan resumes where it stopped last time.
bool SynthesisRun::canRaiseCoverage(uint32_t ceiling) {
    const PixelBuffer* output = c_.synthesizer.output();
    if (ceiling >= 255 || !output)
        return true; // an opaque pixel raises anything not yet full; completeness ends the run
    const uint32_t* pixels = output->pixels();
    while (raiseCursor_ < output->count() && alphaOf(pixels[raiseCursor_]) >= ceiling)
        ++raiseCursor_;
    return raiseCursor_ < output->count();
}
