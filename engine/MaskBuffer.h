#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/BufferSize.h"

// A width x height array of bytes, laid out like a PixelBuffer (row by row from the top).
class MaskBuffer {
public:
    MaskBuffer() = default;
    // width x height bytes, all set to `fill`. Throws std::bad_alloc when memory runs out or
    // width x height exceeds kMaxBufferCount.
    MaskBuffer(uint32_t width, uint32_t height, uint8_t fill = 0)
        : width_(width), height_(height), count_(bufferCount(width, height)), bytes_(count_, fill) {}

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    size_t count() const { return count_; }
    uint8_t* bytes() { return bytes_.data(); }
    const uint8_t* bytes() const { return bytes_.data(); }
    uint8_t& at(uint32_t x, uint32_t y) { return bytes_[size_t(y) * width_ + x]; }
    uint8_t at(uint32_t x, uint32_t y) const { return bytes_[size_t(y) * width_ + x]; }
    uint8_t& operator[](size_t i) { return bytes_[i]; }
    uint8_t operator[](size_t i) const { return bytes_[i]; }

    // Resizes to width x height and sets every byte to `fill`; keeps the storage when it fits.
    // Throws as the constructor does, leaving the mask as it was.
    void reset(uint32_t width, uint32_t height, uint8_t fill = 0) {
        const size_t count = bufferCount(width, height);
        bytes_.assign(count, fill);
        width_ = width;
        height_ = height;
        count_ = count;
    }

private:
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    size_t count_ = 0;
    std::vector<uint8_t> bytes_;
};
