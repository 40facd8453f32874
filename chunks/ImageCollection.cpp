#include "chunks/ImageCollection.h"

#include <algorithm>
#include <cmath>
#include <limits>

template <typename Visit>
void ImageCollection::forEachChunk(Visit&& visit) {
    for (auto& [key, image] : images_)
        for (size_t i = 0; i < image->chunkCount(); ++i)
            visit(*image->chunk(i));
}

template <typename Visit>
void ImageCollection::forEachChunk(Visit&& visit) const {
    for (const auto& [key, image] : images_)
        for (const Chunk& chunk : image->chunks())
            visit(chunk);
}

uint32_t ImageCollection::addImage(const PixelBuffer& loaded) {
    if (lastKey_ == std::numeric_limits<uint32_t>::max())
        return kNoKey;  // wrapping would hand out old keys again
    const uint32_t key = ++lastKey_;
    images_.emplace(key, std::make_unique<InputImage>(loaded));
    return key;
}

bool ImageCollection::removeImage(uint32_t key) {
    auto it = images_.find(key);
    if (it == images_.end())
        return false;
    it = images_.erase(it);
    if (current_ == key) {
        if (it == images_.end())
            it = images_.begin();
        current_ = it == images_.end() ? kNoKey : it->first;
    }
    return true;
}

InputImage* ImageCollection::find(uint32_t key) {
    const auto it = images_.find(key);
    return it == images_.end() ? nullptr : it->second.get();
}

const InputImage* ImageCollection::find(uint32_t key) const {
    const auto it = images_.find(key);
    return it == images_.end() ? nullptr : it->second.get();
}

bool ImageCollection::setCurrent(uint32_t key) {
    if (!images_.contains(key))
        return false;
    current_ = key;
    return true;
}

size_t ImageCollection::chunkCount() const {
    size_t count = 0;
    for (const auto& [key, image] : images_)
        count += image->chunkCount();
    return count;
}

Extent ImageCollection::minChunkSize() const {
    if (images_.empty())
        return {};
    Extent smallest{std::numeric_limits<int64_t>::max(), std::numeric_limits<int64_t>::max()};
    forEachChunk([&](const Chunk& chunk) {
        smallest.width = std::min(smallest.width, chunk.width());
        smallest.height = std::min(smallest.height, chunk.height());
    });
    return smallest;
}

void ImageCollection::drawRandomChunk(RandomGenerator& random) {
    const float r = float(double(random.next()) * 3.051851e-5);
    float sum = 0.0f;
    for (auto& [key, image] : images_) {
        for (size_t i = 0; i < image->chunkCount(); ++i) {
            sum += image->chunk(i)->probability;
            if (sum > r) {
                image->setCurrentChunk(i);
                current_ = key;
                return;
            }
        }
    }
}

// One pass: adds delta to every assigned share (a share at 0 only takes positive deltas),
// clamps negative results to 0 and returns the clamped-off amount (<= 0). The number of shares
// left above 0 goes to `positive`.
float ImageCollection::shiftAssignedShares(float delta, size_t& positive) {
    float rest = 0.0f;
    positive = 0;
    forEachChunk([&](Chunk& chunk) {
        if (!(chunk.probability >= 0.0f))
            return;
        if (delta > 0.0f || chunk.probability != 0.0f)
            chunk.probability += delta;
        if (chunk.probability > 0.0f) {
            ++positive;
        } else {
            rest += chunk.probability;
            chunk.probability = 0.0f;
        }
    });
    return rest;
}

void ImageCollection::normaliseProbabilities(float p) {
    const size_t total = chunkCount();
    if (total == 0)
        return;
    if (std::isnan(p))
        p = 0.0f;
    if (p > 1.0f)
        p = 1.0f;
    else if (p < 0.0f)
        p = 1.0f / float(total);

    double assigned = 0.0;
    size_t n = 0;
    forEachChunk([&](const Chunk& chunk) {
        if (chunk.probability >= 0.0f) {
            assigned += chunk.probability;
            ++n;
        }
    });

    if (assigned != 0.0 && n > 0) {
        float delta = float(((1.0 - p) - assigned) / double(n));
        // Every pass that leaves a negative rest clamps at least one more share to 0 for good,
        // so the passes end after at most n + 1 rounds.
        for (;;) {
            const float rest = shiftAssignedShares(delta, n);
            if (rest == 0.0f || n == 0)
                break;
            delta = rest / float(n);
        }
    }

    forEachChunk([&](Chunk& chunk) {
        if (chunk.probability < 0.0f)
            chunk.probability = p;
    });
}

bool ImageCollection::ensureRunImage(bool mixChunks, RandomGenerator& random) {
    if (currentImage())
        return true;
    if (!mixChunks || chunkCount() < 2)
        return false;
    drawRandomChunk(random);
    return currentImage() != nullptr;
}
