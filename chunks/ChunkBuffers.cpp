#include "chunks/ChunkBuffers.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

// Makes `out` a zeroed width x height buffer; leaves it empty (returns false) when the size
// is empty, does not fit a 32-bit pixel count, or cannot be allocated.
bool allocate(PixelBuffer& out, int64_t width, int64_t height) {
    out = PixelBuffer();
    if (width < 1 || height < 1 || width > int64_t(std::numeric_limits<uint32_t>::max()) / height)
        return false;
    try {
        out = PixelBuffer(uint32_t(width), uint32_t(height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Copies the part of `bounds` that lies inside `source` into `out` (of the size of `bounds`).
void copyInsideImage(const PixelBuffer& source, const Box& bounds, PixelBuffer& out) {
    const int64_t x0 = std::max<int64_t>(bounds.x0, 0);
    const int64_t y0 = std::max<int64_t>(bounds.y0, 0);
    const int64_t x1 = std::min<int64_t>(bounds.x1, int64_t(source.width()) - 1);
    const int64_t y1 = std::min<int64_t>(bounds.y1, int64_t(source.height()) - 1);
    if (x1 < x0 || y1 < y0)
        return;
    const size_t rowBytes = size_t(x1 - x0 + 1) * sizeof(uint32_t);
    for (int64_t y = y0; y <= y1; ++y) {
        const uint32_t* from = source.pixels() + size_t(y) * source.width() + size_t(x0);
        uint32_t* to = &out.at(uint32_t(x0 - bounds.x0), uint32_t(y - bounds.y0));
        std::memcpy(to, from, rowBytes);
    }
}

// alpha := min(alpha, mask byte). A mask that does not match the buffer's size (a broken
// chunk) counts as unselected where it has no byte.
void capAlphaByMask(const MaskBuffer& mask, PixelBuffer& out) {
    for (uint32_t y = 0; y < out.height(); ++y) {
        for (uint32_t x = 0; x < out.width(); ++x) {
            const uint32_t limit = x < mask.width() && y < mask.height() ? mask.at(x, y) : 0u;
            uint32_t& pixel = out.at(x, y);
            if (alphaOf(pixel) > limit)
                pixel = (pixel & 0x00FFFFFFu) | (limit << 24);
        }
    }
}

}  // namespace

void makeChunkPixels(InputImage& image, PixelBuffer& out) { makeChunkPixels(image, image.current(), out); }

void makeChunkPixels(InputImage& image, const Chunk& chunk, PixelBuffer& out) {
    if (!allocate(out, chunk.width(), chunk.height()))
        return;
    copyInsideImage(image.workingPixels(), chunk.bounds, out);
    if (chunk.outerMask.count() != 0)
        capAlphaByMask(chunk.outerMask, out);
}

void makeChunkMask(const InputImage& image, PixelBuffer& out) {
    const Chunk& chunk = image.current();
    const MaskBuffer& inner = chunk.innerMask;
    if (inner.count() == 0) {
        allocate(out, chunk.width(), chunk.height());
        return;
    }
    if (!allocate(out, inner.width(), inner.height()))
        return;
    uint32_t* pixels = out.pixels();
    for (uint32_t i = 0; i < inner.count(); ++i) {
        const uint32_t v = inner[i];
        pixels[i] = makePixel(255, v, v, v);
    }
}

uint32_t strongestAlpha(InputImage& image, const Chunk& chunk) {
    const PixelBuffer& source = image.workingPixels();
    const Box& b = chunk.bounds;
    const int64_t x0 = std::max<int64_t>(b.x0, 0), y0 = std::max<int64_t>(b.y0, 0);
    const int64_t x1 = std::min<int64_t>(b.x1, int64_t(source.width()) - 1);
    const int64_t y1 = std::min<int64_t>(b.y1, int64_t(source.height()) - 1);
    const MaskBuffer& mask = chunk.outerMask;
    uint32_t strongest = 0;
    for (int64_t y = y0; y <= y1 && strongest < 255; ++y) {
        for (int64_t x = x0; x <= x1; ++x) {
            uint32_t alpha = alphaOf(source.at(uint32_t(x), uint32_t(y)));
            if (mask.count() != 0) {
                const int64_t mx = x - b.x0, my = y - b.y0;
                alpha = std::min<uint32_t>(alpha, mx < mask.width() && my < mask.height()
                                                      ? mask.at(uint32_t(mx), uint32_t(my)) : 0u);
            }
            strongest = std::max(strongest, alpha);
        }
    }
    return strongest;
}
