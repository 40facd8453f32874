#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/BufferSize.h"

// One pixel of a 16-bit picture. Colour channels run from 0 to 65535. Alpha is coverage on the
// 8-bit scale of PixelBuffer (0-255), so that pastes given the weights of an 8-bit run reach
// exactly that run's coverage; whoever writes the picture widens it.
struct DeepPixel {
    uint16_t red = 0;
    uint16_t green = 0;
    uint16_t blue = 0;
    uint16_t alpha = 0;

    constexpr bool operator==(const DeepPixel&) const = default;
};

// A width x height picture of DeepPixels, row by row from the top; owns its pixels.
class DeepPixelBuffer {
public:
    DeepPixelBuffer() = default;
    // width x height transparent black pixels. Throws std::bad_alloc when memory runs out or
    // width x height exceeds kMaxBufferCount.
    DeepPixelBuffer(uint32_t width, uint32_t height)
        : width_(width), height_(height), pixels_(bufferCount(width, height)) {}

    uint32_t width() const { return width_; }
    uint32_t height() const { return height_; }
    size_t count() const { return pixels_.size(); }

    DeepPixel* pixels() { return pixels_.data(); }
    const DeepPixel* pixels() const { return pixels_.data(); }
    // Pixel (x, y); no bounds check.
    DeepPixel& at(uint32_t x, uint32_t y) { return pixels_[size_t(y) * width_ + x]; }
    const DeepPixel& at(uint32_t x, uint32_t y) const { return pixels_[size_t(y) * width_ + x]; }

private:
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    std::vector<DeepPixel> pixels_;
};
