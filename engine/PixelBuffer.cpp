#include "engine/PixelBuffer.h"

#include <algorithm>

PixelBuffer::PixelBuffer(uint32_t width, uint32_t height)
    : width_(width), height_(height), count_(bufferCount(width, height)) {
    words_.assign(count_, 0u);
    pixels_ = words_.data();
}

PixelBuffer PixelBuffer::aliasing(uint32_t width, uint32_t height, uint32_t* external) {
    if (!external)
        return PixelBuffer(width, height);
    PixelBuffer buffer;
    buffer.width_ = width;
    buffer.height_ = height;
    buffer.count_ = bufferCount(width, height);
    buffer.pixels_ = external;
    return buffer;
}

PixelBuffer PixelBuffer::copyOf(uint32_t width, uint32_t height, const uint32_t* words) {
    PixelBuffer buffer(width, height);
    if (words)
        std::copy(words, words + buffer.count_, buffer.words_.begin());
    return buffer;
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
