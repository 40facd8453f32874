#pragma once

#include <cstdint>

#include "engine/DeepPixelBuffer.h"
#include "engine/PixelBuffer.h"

// A picture that goes with an input image, of the same size (a normal, height or roughness map
// of the same texture), to be given the same pastes as its input. At 8 or 16 bits per channel:
// exactly one of the two buffers holds the pixels. Its own alpha is never used.
struct CompanionMap {
    PixelBuffer pixels;         // 8 bits: colour words as in PixelBuffer
    DeepPixelBuffer deepPixels; // 16 bits

    bool isDeep() const { return deepPixels.count() > 0; }
    uint32_t width() const { return isDeep() ? deepPixels.width() : pixels.width(); }
    uint32_t height() const { return isDeep() ? deepPixels.height() : pixels.height(); }
};
