#include "session/MOSMain.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// A copy that owns its pixels, also of a buffer over host memory. Empty when memory runs out:
// the session still works, only "Paste Input" has nothing to paste.
PixelBuffer ownedCopy(const PixelBuffer& buffer) {
    try {
        return PixelBuffer::copyOf(buffer.width(), buffer.height(), buffer.pixels());
    } catch (const std::bad_alloc&) {
        return PixelBuffer();
    }
}

}  // namespace

MOSMain::MOSMain(uint32_t width, uint32_t height, uint32_t* hostPixels)
    : output_(PixelBuffer::aliasing(width, height, hostPixels)),
      synthesizer_(std::make_unique<MOSSynthesizer>(placement_, random_)),
      originalImage_(ownedCopy(output_)) {
    synthesizer_->setOutput(&output_);
    synthesizer_->setOutputLock(&viewLock_);
    synthesizer_->reset();
    fillOutput(0);
    pushHistory();
}

MOSMain::~MOSMain() = default;

bool MOSMain::pushHistory() {
    try {
        std::unique_ptr<HistoryEntry> entry = HistoryEntry::capture(output_, synthesizer_->saveState());
        if (!entry)
            return false;
        // Room first, so that nothing is dropped when there is none.
        history_.reserve(history_.size() - undoDepth_ + 1);
        history_.resize(history_.size() - undoDepth_);
        history_.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
        return false;
    }
    undoDepth_ = 0;
    return true;
}

bool MOSMain::recordOrRevert() {
    if (pushHistory())
        return true;
    if (!history_.empty())
        restoreHistory(*history_[history_.size() - 1 - undoDepth_]);
    outputFull_ = synthesizer_->isComplete();
    return false;
}

bool MOSMain::restoreHistory(const HistoryEntry& entry) {
    // Everything that can fail comes first, so that a failure changes nothing.
    const std::unique_ptr<SynthesizerState> state = entry.snapshot();
    if (!state)
        return false;
    QByteArray pixels;
    if (!entry.blank() && !entry.unpackPixels(output_, pixels))
        return false;
    try {
        synthesizer_->restoreState(*state);
    } catch (const std::bad_alloc&) {
        return false;
    }
    if (pixels.isEmpty())
        fillOutput(0);
    else
        std::memcpy(output_.pixels(), pixels.constData(), size_t(pixels.size()));
    return true;
}

bool MOSMain::undo() {
    if (!canUndo() || !restoreHistory(*history_[history_.size() - 2 - undoDepth_]))
        return false;
    ++undoDepth_;
    outputFull_ = synthesizer_->isComplete();
    return true;
}

bool MOSMain::redo() {
    if (!canRedo() || !restoreHistory(*history_[history_.size() - undoDepth_]))
        return false;
    --undoDepth_;
    outputFull_ = synthesizer_->isComplete();
    return true;
}

void MOSMain::clearOutput() {
    fillOutput(0);
    afterReset();
}

bool MOSMain::pasteOriginal() {
    if (originalImage_.count() != output_.count() || originalImage_.count() == 0)
        return false;
    std::copy(originalImage_.pixels(), originalImage_.pixels() + originalImage_.count(), output_.pixels());
    afterReset();
    return true;
}

void MOSMain::fillOutput(uint32_t value) {
    std::fill(output_.pixels(), output_.pixels() + output_.count(), value);
}

// The output was replaced as a whole: old seams and placements no longer apply.
void MOSMain::afterReset() {
    synthesizer_->reset();
    pushHistory();
    outputFull_ = synthesizer_->isComplete();
}
