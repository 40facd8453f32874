#include "apps/SynthRunner.h"

#include <algorithm>
#include <chrono>

#include "chunks/ChunkBuffers.h"
#include "chunks/Placement.h"

SynthRunner::SynthRunner(ImageCollection& images, const PlacementParameters& placement, uint32_t seed,
                         uint32_t width, uint32_t height)
    : images_(images), placement_(placement), random_(seed), output_(width, height),
      synthesizer_(placement_, random_) {
    synthesizer_.setOutput(&output_);
    synthesizer_.reset();
}

void SynthRunner::requestStop() {
    stopRequested_.store(true);
    synthesizer_.requestAbort();
}

// Without a current image a mixed run draws one; otherwise there is nothing to paste.
bool SynthRunner::pickFirstChunk() { return images_.ensureRunImage(placement_.mixChunks, random_); }

// A grid cell as large as the chunk being pasted, or as the smallest chunk when mixing.
void SynthRunner::setCellSize() {
    if (placement_.method == PlacementMethod::SemiRegular)
        setGridCell(placement_, images_);
}

void SynthRunner::prepareChunk() {
    InputImage& image = *images_.currentImage();
    makeChunkPixels(image, chunkPixels_);
    synthesizer_.setChunk(&chunkPixels_, ChunkSource{images_.currentKey(), uint32_t(image.currentChunk())});
    makeChunkMask(image, chunkMask_);
    synthesizer_.setLimitMap(&chunkMask_);
}

// True when the draw moved to another chunk, whose buffers must then be built.
bool SynthRunner::drawNextChunk() {
    const uint32_t key = images_.currentKey();
    const size_t position = images_.currentImage()->currentChunk();
    images_.drawRandomChunk(random_);
    return images_.currentKey() != key || images_.currentImage()->currentChunk() != position;
}

uint64_t SynthRunner::stallLimit() const {
    const Extent smallest = images_.minChunkSize();
    const uint64_t area = uint64_t(std::max<int64_t>(1, smallest.width)) * uint64_t(std::max<int64_t>(1, smallest.height));
    return std::max<uint64_t>(10000, 4 * uint64_t(output_.count()) / area);
}

RunStatistics SynthRunner::run(const StepObserver& observer) {
    const auto start = std::chrono::steady_clock::now();
    RunStatistics stats;
    if (pickFirstChunk()) {
        setCellSize();
        const uint64_t limit = stallLimit();
        uint64_t idle = 0;
        bool chunkChanged = true;
        for (;;) {
            if (chunkChanged)
                prepareChunk();
            PasteOutcome outcome = PasteOutcome::Nothing;
            if (!images_.currentImage()->current().empty) {
                outcome = synthesizer_.step();
                stats.count(outcome);
            }
            const bool pasted = outcome == PasteOutcome::Whole || outcome == PasteOutcome::Cut;
            idle = pasted ? 0 : idle + 1;
            stats.complete = synthesizer_.isComplete();
            stats.stalled = !stats.complete && (idle >= limit || outcome == PasteOutcome::Invalid);
            stats.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (observer)
                observer(stats, output_);
            stats.interrupted = stopRequested_.load();
            if (stats.interrupted || stats.complete || stats.stalled)
                break;
            chunkChanged = placement_.mixChunks && drawNextChunk();
        }
    }
    stats.elapsedSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return stats;
}
