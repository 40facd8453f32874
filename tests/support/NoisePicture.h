#pragma once

#include <cstdint>

#include "engine/PixelBuffer.h"
#include "engine/RandomGenerator.h"

// Coloured noise of one alpha, so that neighbouring pixels differ as in a photograph.
inline PixelBuffer noisePicture(uint32_t width, uint32_t height, uint32_t alpha, uint32_t seed = 5) {
    RandomGenerator random(seed);
    PixelBuffer picture(width, height);
    for (uint32_t i = 0; i < picture.count(); ++i)
        picture.pixels()[i] = makePixel(alpha, random.next() & 0xFF, random.next() & 0xFF, random.next() & 0xFF);
    return picture;
}
