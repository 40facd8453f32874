#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "chunks/ImageCollection.h"
#include "chunks/MOSSynthesizer.h"
#include "chunks/PlacementParameters.h"
#include "engine/PixelBuffer.h"
#include "engine/RandomGenerator.h"
#include "session/HistoryEntry.h"

// The engine side of one session: the output, the host image as handed over, the input
// images, the placement parameters, the session's random generator, the synthesizer and the
// undo/redo history. Not thread-safe: one thread at a time (the controller guarantees it).
class MOSMain {
public:
    // Works on width x height host pixels (not owned, must outlive the session) or, when
    // `hostPixels` is null, on an owned buffer. The host image is kept as originalImage(); the
    // output starts all 0 and the history holds that state as its only entry.
    MOSMain(uint32_t width, uint32_t height, uint32_t* hostPixels = nullptr);
    ~MOSMain();
    MOSMain(const MOSMain&) = delete;
    MOSMain& operator=(const MOSMain&) = delete;

    PixelBuffer& output() { return output_; }
    const PixelBuffer& output() const { return output_; }
    // The host image as it was when the session began; empty if it could not be copied.
    const PixelBuffer& originalImage() const { return originalImage_; }
    ImageCollection& images() { return images_; }
    const ImageCollection& images() const { return images_; }
    PlacementParameters& placement() { return placement_; }
    const PlacementParameters& placement() const { return placement_; }
    RandomGenerator& random() { return random_; }
    MOSSynthesizer& synthesizer() { return *synthesizer_; }
    const MOSSynthesizer& synthesizer() const { return *synthesizer_; }

    // Held by a run while it writes output pixels or changes the current image or chunk; a
    // thread that shows them during a run holds it while it reads them.
    std::mutex& viewLock() const { return viewLock_; }

    // The chunk buffers must be rebuilt before the next paste. Set it whenever the current
    // image or chunk, its limits, the pre-filter, or the single-paste angle or scale change.
    bool chunkChanged() const { return chunkChanged_; }
    void setChunkChanged() { chunkChanged_ = true; }
    // Every output pixel was opaque at the end of the last operation.
    bool outputFull() const { return outputFull_; }

    size_t historySize() const { return history_.size(); }
    // How many steps are undone; the entry shown is at historySize() - 1 - undoDepth().
    uint32_t undoDepth() const { return undoDepth_; }
    bool canUndo() const { return size_t(undoDepth_) + 1 < history_.size(); }
    bool canRedo() const { return undoDepth_ > 0; }

    // Records the output and synthesizer state as the newest entry, dropping undone entries.
    // False (history unchanged) when the entry cannot be built, e.g. out of memory.
    bool pushHistory();
    // pushHistory, or, when that fails, puts the output and synthesizer back to the entry shown
    // so that what is seen is what undo and redo know. False in that case.
    bool recordOrRevert();
    // Puts the entry's pixels and synthesizer state back. False, changing nothing, when
    // the entry's pixels do not fit the output.
    bool restoreHistory(const HistoryEntry& entry);
    // Step back or forward one entry; false (nothing changes) at either end of the history.
    bool undo();
    bool redo();

    // Empties the output, resets the synthesizer and records the result.
    void clearOutput();
    // Copies the host image back into the output, resets the synthesizer and records the
    // result. False (nothing changes) when the host image copy is missing.
    bool pasteOriginal();

protected:
    mutable std::mutex viewLock_;
    PixelBuffer output_;
    ImageCollection images_;
    PlacementParameters placement_;
    RandomGenerator random_;
    // Declared after placement_ and random_, which it refers to, so destroyed before them.
    std::unique_ptr<MOSSynthesizer> synthesizer_;
    bool chunkChanged_ = true;
    bool outputFull_ = false;

private:
    void fillOutput(uint32_t value);
    void afterReset();

    PixelBuffer originalImage_;
    std::vector<std::unique_ptr<HistoryEntry>> history_;
    uint32_t undoDepth_ = 0;
};
