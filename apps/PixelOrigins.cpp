#include "apps/PixelOrigins.h"

#include <map>
#include <new>

#include "chunks/ChunkBuffers.h"
#include "engine/MaskBuffer.h"

namespace {

constexpr uint32_t kMostly = 128; // of 255: the paste gives at least half of the colour

} // namespace

PixelOrigins::PixelOrigins(uint32_t width, uint32_t height, std::vector<const PixelBuffer*> sources)
    : width_(width), height_(height), sources_(std::move(sources)),
      origins_(size_t(width) * height, kUntraced) {}

void PixelOrigins::set(uint32_t index, uint32_t slot, uint32_t x, uint32_t y) {
    const uint32_t limit = 1u << kCoordinateBits;
    if (index >= origins_.size() || slot >= sources_.size() || x >= limit || y >= limit)
        return;
    origins_[index] = uint64_t(slot) << (2 * kCoordinateBits) | uint64_t(x) << kCoordinateBits | y;
}

std::optional<uint32_t> PixelOrigins::continuation(uint32_t index, int32_t dx, int32_t dy) const {
    if (index >= origins_.size() || origins_[index] == kUntraced)
        return std::nullopt;
    const uint64_t origin = origins_[index];
    const uint64_t mask = (uint64_t(1) << kCoordinateBits) - 1;
    const PixelBuffer* source = sources_[size_t(origin >> (2 * kCoordinateBits))];
    const int64_t x = int64_t((origin >> kCoordinateBits) & mask) + dx;
    const int64_t y = int64_t(origin & mask) + dy;
    if (!source || x < 0 || y < 0 || x >= int64_t(source->width()) || y >= int64_t(source->height()))
        return std::nullopt;
    const uint32_t colour = source->at(uint32_t(x), uint32_t(y));
    if (alphaOf(colour) < kMostly)
        return std::nullopt;
    return colour;
}

std::optional<PixelOrigins> PixelOrigins::trace(const PasteRecord& record, ImageCollection& images, uint32_t width,
                                                uint32_t height) {
    if (!record.complete() || width == 0 || height == 0)
        return std::nullopt;
    try {
        std::map<uint32_t, uint32_t> slots; // image key -> source slot
        std::vector<const PixelBuffer*> sources;
        for (size_t i = 0; i < record.size(); ++i) {
            const uint32_t key = record[i].source.imageKey;
            InputImage* image = images.find(key);
            if (!image || !image->chunk(record[i].source.chunk))
                return std::nullopt;
            if (slots.emplace(key, uint32_t(sources.size())).second)
                sources.push_back(&image->workingPixels());
        }
        PixelOrigins origins(width, height, sources);
        PixelBuffer chunkPixels;
        MaskBuffer weights;
        ChunkSource current{~0u, ~0u};
        for (size_t i = 0; i < record.size(); ++i) {
            const PasteRecord::Entry& e = record[i];
            InputImage& image = *images.find(e.source.imageKey);
            const Chunk& chunk = *image.chunk(e.source.chunk);
            if (e.source != current) {
                makeChunkPixels(image, chunk, chunkPixels);
                current = e.source;
            }
            const bool cut = record.weights(i, weights);
            const uint32_t slot = slots[e.source.imageKey];
            for (int32_t v = 0; v < e.sourceBox.height(); ++v)
                for (int32_t u = 0; u < e.sourceBox.width(); ++u) {
                    const int64_t cx = int64_t(e.sourceBox.x0) + u, cy = int64_t(e.sourceBox.y0) + v;
                    if (cx < 0 || cy < 0 || cx >= chunkPixels.width() || cy >= chunkPixels.height())
                        continue;
                    const uint32_t weight = cut ? weights.at(uint32_t(u), uint32_t(v)) : 255u;
                    if (weight * alphaOf(chunkPixels.at(uint32_t(cx), uint32_t(cy))) < kMostly * 255u)
                        continue;
                    const int64_t ix = chunk.bounds.x0 + cx, iy = chunk.bounds.y0 + cy;
                    if (ix < 0 || iy < 0)
                        continue;
                    const int64_t ox = ((int64_t(e.x) + u) % width + width) % width;
                    const int64_t oy = ((int64_t(e.y) + v) % height + height) % height;
                    origins.set(uint32_t(oy * width + ox), slot, uint32_t(ix), uint32_t(iy));
                }
        }
        return origins;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}
