#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/DeepPixelBuffer.h"
#include "engine/PixelBuffer.h"

// High-pass pre-filter that removes slow illumination changes from an input image:
// each channel minus its local box average plus the channel's mean over the image.

// Box average of one line of n bytes spaced `stride` bytes apart: dst[i] is the truncated mean
// of src[i - r .. i + r], the window clipped to the line (never extended). Uses running sums.
// r < 0 counts as 0. src and dst must not overlap; nothing happens when n is 0.
void boxAverage(const uint8_t* src, uint8_t* dst, size_t n, size_t stride, int32_t r);

// boxAverage down each of the `rowBytes` byte columns of `height` rows spaced `rowStride`
// bytes apart, with the same integers, but walking memory row by row (a column walk misses
// the cache on every row). src and dst must not overlap.
void boxAverageColumns(const uint8_t* src, uint8_t* dst, size_t rowBytes, size_t height, size_t rowStride,
                       int32_t r);

// The filtered copy of `source` (same size) for box radius r in pixels. All four bytes of a
// pixel, alpha included, are filtered alike. Returns an empty buffer for an empty source.
PixelBuffer highPassFilter(const PixelBuffer& source, int32_t r);
// The same on 16-bit channels (alpha, which is coverage there, filtered alike).
DeepPixelBuffer highPassFilter(const DeepPixelBuffer& source, int32_t r);
