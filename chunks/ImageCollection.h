#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "chunks/Extent.h"
#include "chunks/InputImage.h"
#include "engine/PixelBuffer.h"
#include "engine/RandomGenerator.h"

// The session's input images, keyed by numbers that are never reused, with a current image.
// Walks over "all chunks" go through the images in key order and each image's chunks in order.
class ImageCollection {
public:
    using Map = std::map<uint32_t, std::unique_ptr<InputImage>>;
    // Key 0 is never given out; it stands for "no image".
    static constexpr uint32_t kNoKey = 0;

    ImageCollection() = default;
    ImageCollection(const ImageCollection&) = delete;
    ImageCollection& operator=(const ImageCollection&) = delete;

    // Images in key order; the collection owns them.
    const Map& images() const { return images_; }
    bool isEmpty() const { return images_.empty(); }

    // Adds a copy of `loaded` as a new image and returns its key (1, 2, 3, ...). Does not
    // change the current image. Returns kNoKey, adding nothing, once the key space is used up.
    uint32_t addImage(const PixelBuffer& loaded);
    // Deletes the image; a removed current image passes to the next key, or to the first
    // after the last (none when the collection is now empty). False when the key is unknown.
    bool removeImage(uint32_t key);
    // The image with this key, or null.
    InputImage* find(uint32_t key);
    const InputImage* find(uint32_t key) const;

    // Makes the image with this key current; false (nothing changes) when it is unknown.
    bool setCurrent(uint32_t key);
    // Key of the current image, kNoKey when there is none.
    uint32_t currentKey() const { return current_; }
    // The current image, or null when there is none.
    InputImage* currentImage() { return find(current_); }
    const InputImage* currentImage() const { return find(current_); }

    // Number of chunks over all images.
    size_t chunkCount() const;
    // Smallest chunk width and smallest chunk height over all chunks (possibly of two
    // different chunks); (0, 0) when there is no image.
    Extent minChunkSize() const;

    // Draws r in [0, 1] from `random` (one value) and makes current the first chunk at which
    // the running sum of probabilities exceeds r, with its image. Nothing changes otherwise.
    void drawRandomChunk(RandomGenerator& random);
    // Makes sure an automatic run has a current image: keeps the current one, or, when chunks
    // are mixed and there are at least two, draws one. False when there is nothing to paste.
    bool ensureRunImage(bool mixChunks, RandomGenerator& random);
    // Gives every unassigned chunk (probability < 0) the share p and shifts the assigned shares,
    // clamping at 0, so that they make up 1 - p. p > 1 counts as 1, p < 0 as 1 / chunkCount(),
    // NaN as 0. Without a positive share the assigned shares stay as they are.
    void normaliseProbabilities(float p);

private:
    template <typename Visit>
    void forEachChunk(Visit&& visit);
    template <typename Visit>
    void forEachChunk(Visit&& visit) const;
    float shiftAssignedShares(float delta, size_t& positive);

    Map images_;
    uint32_t current_ = kNoKey;
    uint32_t lastKey_ = 0;
};
