#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/BufferSize.h"

// A width x height image of 32-bit words: alpha in bits 24-31, then red, green, blue.
// Colours are not premultiplied; in the output, alpha is coverage (0 = nothing pasted).
// The buffer either owns its words or refers to external pixels it does not own.
class PixelBuffer {
public:
    // An empty 0 x 0 buffer.
    PixelBuffer() = default;
    // Owns width x height words set to 0.
    // Every constructor and factory throws std::bad_alloc when memory runs out or width x height
    // exceeds kMaxBufferCount.
    PixelBuffer(uint32_t width, uint32_t height);
    // Refers to `external` (not copied, not owned; must outlive the buffer and hold width x
    // height words). A null `external` gives an owned buffer of zeros.
    static PixelBuffer aliasing(uint32_t width, uint32_t height, uint32_t* external);
    // Owns a copy of width x height words read from `words`; a null `words` gives zeros.
    static PixelBuffer copyOf(uint32_t width, uint32_t height, const uint32_t* words);

    // Copies own the copied words; a copy of an external buffer refers to the same memory.
    PixelBuffer(const PixelBuffer& other);
    PixelBuffer& operator=(const PixelBuffer& other);
    PixelBuffer(PixelBuffer&& other) noexcept;
    PixelBuffer& operator=(PixelBuffer&& other) noexcept;

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    // width x height, at most kMaxBufferCount.
    size_t count() const { return count_; }
    bool ownsPixels() const { return count_ == 0 || pixels_ == words_.data(); }

    uint32_t* pixels() { return pixels_; }
    const uint32_t* pixels() const { return pixels_; }
    // Pixel (x, y); no bounds check.
    uint32_t& at(uint32_t x, uint32_t y) { return pixels_[size_t(y) * width_ + x]; }
    uint32_t at(uint32_t x, uint32_t y) const { return pixels_[size_t(y) * width_ + x]; }

private:
    void adopt(const PixelBuffer& other);

    uint32_t width_ = 0;
    uint32_t height_ = 0;
    size_t count_ = 0;
    std::vector<uint32_t> words_;
    uint32_t* pixels_ = nullptr;
};

// Channel access on a pixel word.
inline uint32_t alphaOf(uint32_t p) { return p >> 24; }
inline uint32_t redOf(uint32_t p) { return (p >> 16) & 0xFF; }
inline uint32_t greenOf(uint32_t p) { return (p >> 8) & 0xFF; }
inline uint32_t blueOf(uint32_t p) { return p & 0xFF; }
inline uint32_t makePixel(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}
