#pragma once

#include <cstdint>

#include "engine/Box.h"
#include "engine/MaskBuffer.h"

// A piece of an input image that is pasted into the output: a rectangle of the image,
// optionally cropped by an outer limit mask and with an inner limit mask of forced pixels.
struct Chunk {
    // Share in 0..1 when chunks are mixed; kUnassigned until normaliseProbabilities gives one.
    float probability = kUnassigned;
    // Rectangle in image pixel coordinates, both corners inclusive.
    Box bounds;
    // Size of the chunk's input image, used to reset `bounds` to the whole image.
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
    // Empty: the whole of `bounds` is inside the outer limit. Otherwise of the size of
    // `bounds`, byte (x, y) covering image pixel (x0 + x, y0 + y); nonzero = selected.
    MaskBuffer outerMask;
    // Empty: no inner limit. Otherwise of the size of `bounds`; nonzero = forced pixel.
    MaskBuffer innerMask;
    // The outer limit selects no pixel at all; such a chunk is not pasted.
    bool empty = false;

    static constexpr float kUnassigned = -1.0f;

    Chunk() = default;
    // The whole-image chunk of a width x height image: no limits, probability unassigned.
    Chunk(uint32_t width, uint32_t height);

    // Size of `bounds` in pixels; 0 when the bounds are empty.
    int64_t width() const { return bounds.width(); }
    int64_t height() const { return bounds.height(); }
};
