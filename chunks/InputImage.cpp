#include "chunks/InputImage.h"

#include "chunks/PreFilter.h"

InputImage::InputImage(const PixelBuffer& loaded)
    // A copy of the words: the copy constructor would share external memory.
    : pixels_(PixelBuffer::copyOf(loaded.width(), loaded.height(), loaded.pixels())),
      chunks_{Chunk(loaded.width(), loaded.height())} {}

Chunk* InputImage::chunk(size_t position) {
    return position < chunks_.size() ? &chunks_[position] : nullptr;
}

const Chunk* InputImage::chunk(size_t position) const {
    return position < chunks_.size() ? &chunks_[position] : nullptr;
}

bool InputImage::setCurrentChunk(size_t position) {
    if (position >= chunks_.size())
        return false;
    currentChunk_ = position;
    return true;
}

void InputImage::addChunk() {
    chunks_.emplace_back(pixels_.width(), pixels_.height());
    currentChunk_ = chunks_.size() - 1;
}

bool InputImage::removeChunk(size_t position) {
    if (chunks_.size() < 2 || position >= chunks_.size())
        return false;
    chunks_.erase(chunks_.begin() + std::ptrdiff_t(position));
    // The follower of a removed current chunk slides into its position.
    if (position < currentChunk_)
        --currentChunk_;
    if (currentChunk_ >= chunks_.size())
        currentChunk_ = 0;
    return true;
}

void InputImage::nextChunk() {
    currentChunk_ = (currentChunk_ + 1) % chunks_.size();
}

const PixelBuffer& InputImage::workingPixels() {
    if (filterRadius_ < 1)
        return pixels_;
    if (filtered_.count() == 0)
        filtered_ = highPassFilter(pixels_, filterRadius_);
    return filtered_;
}

void InputImage::setFilterRadius(int32_t r) {
    if (r != filterRadius_)
        filtered_ = PixelBuffer();
    filterRadius_ = r;
}
