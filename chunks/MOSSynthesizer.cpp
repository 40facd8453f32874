#include "chunks/MOSSynthesizer.h"

#include "chunks/CentreCut.h"
#include "chunks/Placement.h"
#include "engine/ImageTransform.h"

MOSSynthesizer::MOSSynthesizer(const PlacementParameters& placement, RandomGenerator& random)
    : placement_(placement), random_(random), halton_(5, 11) {}

void MOSSynthesizer::setOutput(PixelBuffer* output) { output_ = output; }

void MOSSynthesizer::reset() {
    placementCounter_ = 0;
    seamStore_.reset(output_ ? output_->width() : 0, output_ ? output_->height() : 0);
    completeCursor_ = 0;
}

std::unique_ptr<SynthesizerState> MOSSynthesizer::saveState() const {
    auto state = std::make_unique<SynthesizerState>();
    state->placementCounter = placementCounter_;
    state->seams = seamStore_.snapshot();
    return state;
}

void MOSSynthesizer::restoreState(const SynthesizerState& state) {
    seamStore_.restore(state.seams); // first: it alone can fail, and then changes nothing
    placementCounter_ = state.placementCounter;
    completeCursor_ = 0;
}

bool MOSSynthesizer::isComplete() {
    if (!output_)
        return true;
    const uint32_t* pixels = output_->pixels();
    const size_t count = output_->count();
    while (completeCursor_ < count && alphaOf(pixels[completeCursor_]) == 255)
        ++completeCursor_;
    return completeCursor_ >= count;
}

// Keeps the centre of an image at least as wide (high) as the output minus one, so that a
// turned or scaled chunk is always narrower and lower than the output.
PixelBuffer MOSSynthesizer::cutToOutput(const PixelBuffer& image) const {
    return cutToOutputSize(image, output_ ? output_->width() : 0, output_ ? output_->height() : 0);
}

const PixelBuffer* MOSSynthesizer::transformed(const PixelBuffer* given, PixelBuffer& copy) const {
    copy = PixelBuffer();
    if (!given)
        return nullptr;
    const double angle = placement_.angle, scale = placement_.scale;
    if (placement_.method != PlacementMethod::SinglePaste || (angle == 0.0 && scale == 1.0))
        return given;
    PixelBuffer result = angle != 0.0 ? rotateImage(*given, angle) : *given;
    if (scale != 1.0)
        result = scaleImage(result, scale);
    copy = cutToOutput(result);
    return &copy;
}

void MOSSynthesizer::setChunk(const PixelBuffer* buffer, ChunkSource source) {
    givenChunk_ = buffer;
    chunkSource_ = source;
    usedChunk_ = transformed(buffer, chunkCopy_);
    matched_.setChunk(usedChunk_);
}

void MOSSynthesizer::setLimitMap(const PixelBuffer* buffer) {
    givenLimitMap_ = buffer;
    usedLimitMap_ = transformed(buffer, limitCopy_);
}

PasteOutcome MOSSynthesizer::step() {
    aborted_ = 0;
    lastBox_ = Box::empty();
    lastCoverageGain_ = 0;
    if (!output_ || !usedChunk_ || usedChunk_->count() == 0) {
        lastOutcome_ = PasteOutcome::Invalid;
        return lastOutcome_;
    }
    PlacementContext context{halton_, placementCounter_, random_, &matched_};
    const Extent size{usedChunk_->width(), usedChunk_->height()};
    const Box dest = placeChunk(placement_, *output_, size, context);
    if (dest.isEmpty()) {
        // No place left to paste: the output is full, or nothing can be placed at all.
        lastOutcome_ = PasteOutcome::Nothing;
        return lastOutcome_;
    }
    return pasteAt(dest, Box(0, 0, int32_t(size.width) - 1, int32_t(size.height) - 1));
}

PasteOutcome MOSSynthesizer::pasteAt(const Box& destBox, const Box& sourceBox) {
    aborted_ = 0;
    lastBox_ = Box::empty();
    lastCoverageGain_ = 0;
    if (!output_ || !usedChunk_) {
        lastOutcome_ = PasteOutcome::Invalid;
        return lastOutcome_;
    }
    PixelBuffer& chunk = const_cast<PixelBuffer&>(*usedChunk_); // the job only reads the chunk
    PasteJob job(BufferView(chunk, sourceBox), BufferView(*output_, destBox), seamStore_, &workspace_);
    job.setMemoryBudget(memoryBudget_);
    job.setOutputLock(outputLock_);
    {
        std::lock_guard<std::mutex> lock(jobMutex_);
        currentJob_ = &job;
        if (abortPending_)
            job.requestAbort();
    }
    Box changed;
    const PasteOutcome outcome = job.run(usedLimitMap_, &changed);
    {
        std::lock_guard<std::mutex> lock(jobMutex_);
        currentJob_ = nullptr;
    }
    if (record_ && !changed.isEmpty())
        record(outcome, job, destBox, sourceBox);
    aborted_ = outcome == PasteOutcome::Aborted;
    lastBox_ = changed;
    lastOutcome_ = outcome;
    lastCoverageGain_ = job.coverageGain();
    lastMemoryEstimate_ = job.memoryEstimate();
    return outcome;
}

void MOSSynthesizer::record(PasteOutcome outcome, const PasteJob& job, const Box& destBox, const Box& sourceBox) {
    if (usedChunk_ != givenChunk_)
        record_->markIncomplete(); // the record names the given chunk, not the turned copy
    else if (outcome == PasteOutcome::Whole)
        record_->recordWhole(chunkSource_, sourceBox, destBox.x0, destBox.y0);
    else
        record_->recordCut(chunkSource_, sourceBox, destBox.x0, destBox.y0, job.weightMask());
}

void MOSSynthesizer::requestAbort() {
    std::lock_guard<std::mutex> lock(jobMutex_);
    abortPending_ = true;
    if (currentJob_)
        currentJob_->requestAbort();
}

void MOSSynthesizer::clearAbortRequest() {
    std::lock_guard<std::mutex> lock(jobMutex_);
    abortPending_ = false;
}
