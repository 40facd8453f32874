#pragma once

#include <cstdint>

#include "engine/PixelBuffer.h"

// Keeps the centre of `image` at most (outputWidth - 1) x (outputHeight - 1), so that a turned
// or scaled chunk is always narrower and lower than the output; a side of 0 leaves that
// direction as it is. Returns the image itself when nothing needs cutting (an owned copy of its
// words otherwise).
PixelBuffer cutToOutputSize(const PixelBuffer& image, uint32_t outputWidth, uint32_t outputHeight);
