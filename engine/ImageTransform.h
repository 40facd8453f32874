#pragma once

#include <cstdint>

#include "engine/PixelBuffer.h"

// Turning and scaling of a chunk image before it is pasted or shown under the cursor.
// Both resample with one bilinear sample per target pixel, taken at the pixel centre.
// Channels are interpolated as stored (not premultiplied), so colours fade towards black
// where alpha falls off.

// Largest result, in pixels, that rotateImage and scaleImage will build; anything larger
// comes back as an empty buffer instead of an absurd allocation.
inline constexpr uint64_t kMaxTransformPixels = uint64_t(1) << 28;

// Bilinear sample of `image` at (u, v) in source pixel coordinates, where pixel (i, j)
// covers [i, i + 1) x [j, j + 1). Pixels outside the image read as transparent black;
// a non-finite position gives 0.
uint32_t bilinearSample(const PixelBuffer& image, double u, double v);

// `image` turned by `angle` radians about its centre, on an even-sized target that holds
// the whole turned image plus a transparent margin. Empty result for an empty image, a
// non-finite angle or a target above kMaxTransformPixels.
PixelBuffer rotateImage(const PixelBuffer& image, double angle);

// `image` resampled by `factor` (1.0 = same size); target size = source size x factor,
// truncated. Empty (0 x 0) result when that size is 0 in either direction, when the
// factor is not a finite positive number, or when the target exceeds kMaxTransformPixels.
PixelBuffer scaleImage(const PixelBuffer& image, double factor);
