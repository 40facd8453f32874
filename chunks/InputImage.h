#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "chunks/Chunk.h"
#include "engine/PixelBuffer.h"

// One input image: its pixels, the cached pre-filtered copy and its list of chunks.
// The chunk list is never empty, so there is always a current chunk.
class InputImage {
public:
    // Takes a deep copy of `loaded` (also when it refers to external memory) and starts with
    // one whole-image chunk as the current chunk and the pre-filter off.
    explicit InputImage(const PixelBuffer& loaded);

    const PixelBuffer& pixels() const { return pixels_; }
    // The cached pre-filtered copy; empty when not computed for the current radius.
    const PixelBuffer& filtered() const { return filtered_; }
    int32_t filterRadius() const { return filterRadius_; }

    // Chunks in creation order (at least one).
    const std::vector<Chunk>& chunks() const { return chunks_; }
    size_t chunkCount() const { return chunks_.size(); }
    // The chunk at 0-based `position`, or null when there is none.
    Chunk* chunk(size_t position);
    const Chunk* chunk(size_t position) const;

    // 0-based position of the current chunk.
    size_t currentChunk() const { return currentChunk_; }
    // 1-based position of the current chunk, as shown to the user ("Chunk 2/5").
    size_t currentChunkIndex() const { return currentChunk_ + 1; }
    Chunk& current() { return chunks_[currentChunk_]; }
    const Chunk& current() const { return chunks_[currentChunk_]; }
    // Makes the chunk at `position` current; false (nothing changes) when there is none.
    bool setCurrentChunk(size_t position);

    // Appends a whole-image chunk with unassigned probability and makes it current.
    void addChunk();
    // Removes the chunk at `position` unless it is the only one or there is none (returns
    // false). A removed current chunk passes to its follower, or to the first after the last.
    bool removeChunk(size_t position);
    // Makes the following chunk current, wrapping from the last to the first.
    void nextChunk();

    // The pixels chunks are cut from: `pixels` when the radius is below 1, otherwise the
    // high-pass copy, computed on the first call after a radius change and cached.
    const PixelBuffer& workingPixels();
    // Sets the pre-filter radius in pixels (0 = off); a different radius drops the cached copy.
    void setFilterRadius(int32_t r);

private:
    PixelBuffer pixels_;
    PixelBuffer filtered_;
    std::vector<Chunk> chunks_;
    size_t currentChunk_ = 0;
    int32_t filterRadius_ = 0;
};
