#pragma once

#include <cstdint>

#include "engine/Box.h"
#include "engine/MaskBuffer.h"
#include "engine/PixelBuffer.h"

// Rectangle and bitmap helpers through which selections become chunk limits.
// Boxes are in image pixels with inclusive corners; a mask byte of 0 means not selected.

// The corner-wise overlap of a and b; empty (possibly with inverted corners) when they do
// not overlap.
Box intersectBoxes(const Box& a, const Box& b);

// The box (0, 0, width - 1, height - 1) covering a whole buffer; empty for a 0-sized one.
Box fullBox(uint32_t width, uint32_t height);

// The smallest box holding every nonzero byte of `mask`; (width, height, -1, -1), which is
// empty, when there is none.
Box boundingBoxOfSet(const MaskBuffer& mask);

// True when at least one byte of `mask` is nonzero.
bool hasSetByte(const MaskBuffer& mask);

// Copies the `from` region of `source` (clipped to the source) into `destination` with its
// corner at (dx, dy); positions past the destination's edges wrap around to the other side.
// Does nothing when either buffer is empty.
void blitWrapped(MaskBuffer& destination, const MaskBuffer& source, const Box& from, int64_t dx, int64_t dy);
void blitWrapped(PixelBuffer& destination, const PixelBuffer& source, const Box& from, int64_t dx,
                 int64_t dy);

// A new mask of the size of `to` showing `source`, whose byte (0, 0) lies at the corner of
// `from`, at the same image positions; positions the source does not cover hold `fill`.
// Empty when `to` is empty or its byte count does not fit a MaskBuffer.
MaskBuffer cropMask(const MaskBuffer& source, const Box& from, const Box& to, uint8_t fill);
// The same cut on pixels, e.g. a chunk's pixels out of its image (from = the image's box).
PixelBuffer cropPixels(const PixelBuffer& source, const Box& from, const Box& to, uint32_t fill);

// Mask AND: clears every byte of `a` whose counterpart in `b` is 0. Bytes of `a` that have
// no counterpart (b smaller than a) are cleared too.
void andMasks(MaskBuffer& a, const MaskBuffer& b);
