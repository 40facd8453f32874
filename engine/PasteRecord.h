#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/Box.h"
#include "engine/MaskBuffer.h"

// Which chunk a recorded paste took its pixels from, in the caller's terms: the key of its
// input image and the chunk's position in that image's list.
struct ChunkSource {
    uint32_t imageKey = 0;
    uint32_t chunk = 0;

    constexpr bool operator==(const ChunkSource&) const = default;
};

// The pastes of a run that changed the output, in order, so that other pictures of the
// output's size can be given exactly the same pastes afterwards without running the synthesis
// again. A paste is its source chunk and region, where it landed (the rest wraps) and, for a
// cut, its weight mask. Masks are kept as runs over the mask read row after row: a cut's mask is
// long stretches of 0 and 255 with a feathered seam between, so it costs about two bytes per
// row crossing the seam instead of a byte per pixel; a whole paste keeps no mask at all.
class PasteRecord {
public:
    // Value of Entry::runs for a paste laid over the output whole (blendOver, no mask).
    static constexpr uint64_t kWhole = ~uint64_t(0);

    struct Entry {
        ChunkSource source;
        Box sourceBox; // region of the chunk that was pasted
        int32_t x = 0; // output position of the region's top-left pixel
        int32_t y = 0;
        uint64_t runs = kWhole; // where the mask's runs start, kWhole for a whole paste
    };

    // Appends a paste without mask. Never throws: memory running out makes the record incomplete.
    void recordWhole(ChunkSource source, const Box& sourceBox, int32_t x, int32_t y);
    // Appends a cut with its weights (the mask of sourceBox's size the paste was blended
    // through). Weights other than 0, 85, 170 and 255 cannot be kept and make the record
    // incomplete, as does memory running out.
    void recordCut(ChunkSource source, const Box& sourceBox, int32_t x, int32_t y, const MaskBuffer& weights);
    // Notes a paste the record cannot describe (a turned or scaled chunk): replaying the
    // record would no longer give the run's result.
    void markIncomplete() { complete_ = false; }
    // True while every paste of the run is in the record.
    bool complete() const { return complete_; }

    size_t size() const { return entries_.size(); }
    const Entry& operator[](size_t i) const { return entries_[i]; }
    // Writes the weights of a cut entry into `out`, resized to its source box; false for a whole
    // paste or an entry out of range (out is then left as it was).
    bool weights(size_t i, MaskBuffer& out) const;

    // Heap bytes held by the record.
    size_t memoryBytes() const;
    void clear();

private:
    void appendRun(uint8_t code, uint64_t length);

    std::vector<Entry> entries_;
    std::vector<uint8_t> runs_;
    bool complete_ = true;
};
