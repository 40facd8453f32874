#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/PixelBuffer.h"
#include "engine/RandomGenerator.h"

// Small pictures and comparisons shared by the tests of every layer.

// Coloured noise of one alpha, so that neighbouring pixels differ as in a photograph.
inline PixelBuffer noisePicture(uint32_t width, uint32_t height, uint32_t alpha, uint32_t seed = 5) {
    RandomGenerator random(seed);
    PixelBuffer picture(width, height);
    for (uint32_t i = 0; i < picture.count(); ++i)
        picture.pixels()[i] = makePixel(alpha, random.next() & 0xFF, random.next() & 0xFF, random.next() & 0xFF);
    return picture;
}

inline PixelBuffer filledPicture(uint32_t width, uint32_t height, uint32_t colour) {
    PixelBuffer picture(width, height);
    std::fill(picture.pixels(), picture.pixels() + picture.count(), colour);
    return picture;
}

// The width x height part of `image` whose top-left pixel is (x, y).
inline PixelBuffer crop(const PixelBuffer& image, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    PixelBuffer part(width, height);
    for (uint32_t row = 0; row < height; ++row)
        for (uint32_t column = 0; column < width; ++column)
            part.at(column, row) = image.at(x + column, y + row);
    return part;
}

inline std::vector<uint32_t> pixelsOf(const PixelBuffer& picture) {
    return {picture.pixels(), picture.pixels() + picture.count()};
}

inline bool isAllZero(const PixelBuffer& picture) {
    return std::all_of(picture.pixels(), picture.pixels() + picture.count(), [](uint32_t p) { return p == 0; });
}

inline bool samePixels(const PixelBuffer& a, const PixelBuffer& b) {
    return a.width() == b.width() && a.height() == b.height() && pixelsOf(a) == pixelsOf(b);
}
