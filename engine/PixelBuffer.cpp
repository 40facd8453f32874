#include "engine/PixelBuffer.h"

#include <algorithm>

PixelBuffer::PixelBuffer(uint32_t width, uint32_t height, uint32_t* external)
    : width_(width), height_(height), count_(bufferCount(width, height)) {
    if (external) {
        pixels_ = external;
    } else {
        words_.assign(count_, 0u);
        pixels_ = words_.data();
    }
}

PixelBuffer::PixelBuffer(uint32_t width, uint32_t height, const uint32_t* words)
    : width_(width), height_(height), count_(bufferCount(width, height)) {
    if (words)
        words_.assign(words, words + count_);
    else
        words_.assign(count_, 0u);
    pixels_ = words_.data();
}

void PixelBuffer::adopt(const PixelBuffer& other) {
    width_ = other.width_;
    height_ = other.height_;
    count_ = other.count_;
    if (other.ownsPixels()) {
        words_ = other.words_;
        pixels_ = words_.data();
    } else {
        words_.clear();
        pixels_ = other.pixels_;
    }
}

PixelBuffer::PixelBuffer(const PixelBuffer& other) { adopt(other); }

PixelBuffer& PixelBuffer::operator=(const PixelBuffer& other) {
    if (this != &other)
        adopt(other);
    return *this;
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : width_(other.width_), height_(other.height_), count_(other.count_) {
    const bool owned = other.ownsPixels();
    uint32_t* external = other.pixels_;
    words_ = std::move(other.words_);
    pixels_ = owned ? words_.data() : external;
    other.width_ = other.height_ = other.count_ = 0;
    other.words_.clear();
    other.pixels_ = nullptr;
}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept {
    if (this != &other) {
        const bool owned = other.ownsPixels();
        uint32_t* external = other.pixels_;
        width_ = other.width_;
        height_ = other.height_;
        count_ = other.count_;
        words_ = std::move(other.words_);
        pixels_ = owned ? words_.data() : external;
        other.width_ = other.height_ = other.count_ = 0;
        other.words_.clear();
        other.pixels_ = nullptr;
    }
    return *this;
}
