#include "chunks/CompanionReplay.h"

#include <new>
#include <type_traits>

#include "chunks/ChunkBuffers.h"
#include "engine/Blending.h"
#include "engine/DeepBlending.h"

namespace {

constexpr ChunkSource kNoSource{~0u, ~0u};

uint16_t widen(uint32_t channel) { return uint16_t(channel * 257); }

Box destinationOf(const PasteRecord::Entry& e) {
    return Box(e.x, e.y, e.x + int32_t(e.sourceBox.width()) - 1, e.y + int32_t(e.sourceBox.height()) - 1);
}

} // namespace

ReplayOutcome CompanionReplay::replay(const CompanionMaps& maps, PixelBuffer& canvas) {
    for (const auto& entry : maps)
        if (entry.second && entry.second->isDeep())
            return ReplayOutcome::DeepMapOn8Bits;
    return replayOn(maps, canvas);
}

ReplayOutcome CompanionReplay::replay(const CompanionMaps& maps, DeepPixelBuffer& canvas) {
    return replayOn(maps, canvas);
}

template <typename Canvas>
ReplayOutcome CompanionReplay::replayOn(const CompanionMaps& maps, Canvas& canvas) {
    if (!record_.complete())
        return ReplayOutcome::IncompleteRecord;
    constexpr bool deep = std::is_same_v<Canvas, DeepPixelBuffer>;
    try {
        ChunkSource current = kNoSource;
        for (size_t i = 0; i < record_.size(); ++i) {
            const PasteRecord::Entry& entry = record_[i];
            if (entry.source != current) {
                current = kNoSource;
                const ReplayOutcome cut = cutChunk(maps, entry.source, deep);
                if (cut != ReplayOutcome::Done)
                    return cut;
                current = entry.source;
            }
            paste(canvas, entry, i);
        }
    } catch (const std::bad_alloc&) {
        return ReplayOutcome::OutOfMemory;
    }
    return ReplayOutcome::Done;
}

void CompanionReplay::paste(PixelBuffer& canvas, const PasteRecord::Entry& entry, size_t index) {
    const BufferView view(chunk_, entry.sourceBox);
    if (record_.weights(index, weights_))
        maskedPaste(canvas, view, weights_, destinationOf(entry));
    else
        plainPaste(canvas, view, destinationOf(entry));
}

void CompanionReplay::paste(DeepPixelBuffer& canvas, const PasteRecord::Entry& entry, size_t index) {
    if (record_.weights(index, weights_))
        deepMaskedPaste(canvas, deepChunk_, entry.sourceBox, weights_, destinationOf(entry));
    else
        deepPlainPaste(canvas, deepChunk_, entry.sourceBox, destinationOf(entry));
}

// Cuts the map's chunk for `source`: the input's chunk pixels give the alpha, the map the colour.
ReplayOutcome CompanionReplay::cutChunk(const CompanionMaps& maps, ChunkSource source, bool deep) {
    InputImage* image = images_.find(source.imageKey);
    const Chunk* chunk = image ? image->chunk(source.chunk) : nullptr;
    if (!chunk)
        return ReplayOutcome::UnknownChunk;
    const auto found = maps.find(source.imageKey);
    if (found == maps.end() || !found->second)
        return ReplayOutcome::MissingMap;
    const CompanionMap& map = *found->second;
    if (map.width() != image->pixels().width() || map.height() != image->pixels().height())
        return ReplayOutcome::MapSizeDiffers;
    makeChunkPixels(*image, *chunk, inputChunk_);
    if (inputChunk_.count() == 0 && chunk->width() > 0 && chunk->height() > 0)
        return ReplayOutcome::OutOfMemory;
    if (deep)
        fillDeepChunk(map, chunk->bounds);
    else
        fillChunk(map, chunk->bounds);
    return ReplayOutcome::Done;
}

// Outside the map the chunk stays 0, as the input's chunk does outside its image.
void CompanionReplay::fillChunk(const CompanionMap& map, const Box& bounds) {
    chunk_ = PixelBuffer(inputChunk_.width(), inputChunk_.height());
    for (uint32_t y = 0; y < chunk_.height(); ++y) {
        const int64_t my = int64_t(bounds.y0) + y;
        if (my < 0 || my >= int64_t(map.height()))
            continue;
        for (uint32_t x = 0; x < chunk_.width(); ++x) {
            const int64_t mx = int64_t(bounds.x0) + x;
            if (mx >= 0 && mx < int64_t(map.width()))
                chunk_.at(x, y) = (inputChunk_.at(x, y) & 0xFF000000u) |
                                  (map.pixels.at(uint32_t(mx), uint32_t(my)) & 0x00FFFFFFu);
        }
    }
}

void CompanionReplay::fillDeepChunk(const CompanionMap& map, const Box& bounds) {
    deepChunk_ = DeepPixelBuffer(inputChunk_.width(), inputChunk_.height());
    for (uint32_t y = 0; y < deepChunk_.height(); ++y) {
        const int64_t my = int64_t(bounds.y0) + y;
        if (my < 0 || my >= int64_t(map.height()))
            continue;
        for (uint32_t x = 0; x < deepChunk_.width(); ++x) {
            const int64_t mx = int64_t(bounds.x0) + x;
            if (mx < 0 || mx >= int64_t(map.width()))
                continue;
            DeepPixel& out = deepChunk_.at(x, y);
            if (map.isDeep()) {
                out = map.deepPixels.at(uint32_t(mx), uint32_t(my));
            } else {
                const uint32_t p = map.pixels.at(uint32_t(mx), uint32_t(my));
                out = DeepPixel{widen(redOf(p)), widen(greenOf(p)), widen(blueOf(p)), 0};
            }
            out.alpha = uint16_t(alphaOf(inputChunk_.at(x, y)));
        }
    }
}
