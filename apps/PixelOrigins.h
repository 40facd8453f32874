#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "chunks/ImageCollection.h"
#include "engine/PasteRecord.h"
#include "engine/PixelBuffer.h"

// Which input pixel each output pixel shows, so that a join can be judged against what the
// texture itself has beside that pixel: two neighbours from different pastes form a visible
// join only when they differ from each other's natural continuation, not when they differ
// from each other (a brick's edge differs from the mortar next to it in the input too).
class PixelOrigins {
public:
    PixelOrigins() = default;
    // A width x height output with no pixel traced yet. `sources` are the pictures origins
    // point into, by slot (not owned; they must outlive this object and stay unchanged).
    // Throws std::bad_alloc when memory runs out.
    PixelOrigins(uint32_t width, uint32_t height, std::vector<const PixelBuffer*> sources);

    // Output pixel `index` (W * y + x) shows pixel (x, y) of source `slot`. Ignored when any
    // of them is out of range.
    void set(uint32_t index, uint32_t slot, uint32_t x, uint32_t y);

    // The colour that the source of output pixel `index` has (dx, dy) away from the pixel it
    // gave; none when the pixel is untraced or that place is outside its source or mostly
    // transparent there.
    std::optional<uint32_t> continuation(uint32_t index, int32_t dx, int32_t dy) const;

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }

    // Traces a finished (or stopped) run of a width x height output from its paste record: each
    // output pixel takes the origin of the last paste that gave it most of its colour (cut
    // weight times chunk alpha of at least one half). Sources are the images' working pixels.
    // None when the record misses pastes, names a chunk the collection lacks, or memory runs
    // out. `images` must be the run's, unchanged since; reads (and may cache) pre-filtered pixels.
    static std::optional<PixelOrigins> trace(const PasteRecord& record, ImageCollection& images, uint32_t width,
                                             uint32_t height);

private:
    static constexpr uint64_t kUntraced = ~uint64_t(0);
    static constexpr uint32_t kCoordinateBits = 24;

    uint32_t width_ = 0;
    uint32_t height_ = 0;
    std::vector<const PixelBuffer*> sources_;
    std::vector<uint64_t> origins_; // slot << 48 | x << 24 | y, kUntraced when unknown
};
