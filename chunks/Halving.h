#pragma once

#include <cstdint>

#include "engine/PixelBuffer.h"

// Writes into `target` (made width x height, keeping its storage when it already has that
// size) a part of `source` at half resolution: target pixel (i, j) is the mean of the 2 x 2
// block whose top-left pixel is source pixel (2 (x0 + i), 2 (y0 + j)), wrapped around the
// source. Its alpha is the mean alpha and its colour the alpha-weighted mean colour, so that
// uncovered pixels lend no colour. A source of odd width or height wraps as its halved picture
// would only when read within its even part.
void halve(const PixelBuffer& source, int64_t x0, int64_t y0, uint32_t width, uint32_t height, PixelBuffer& target);
