#pragma once

#include "engine/Box.h"
#include "engine/BufferView.h"
#include "engine/MaskBuffer.h"
#include "engine/PixelBuffer.h"

// One pixel: src over dst by src's alpha; an empty dst takes src as it is.
uint32_t blendOver(uint32_t dst, uint32_t src);
// One pixel: src over dst with src's alpha scaled by weight / 255.
uint32_t blendMasked(uint32_t dst, uint32_t src, uint32_t weight);

// True when the chunk view lies inside its buffer, is no larger than the output and
// destBox's origin lies inside the output: the only shape the wrapping paste loops accept.
bool pasteFits(const PixelBuffer& output, const BufferView& chunkView, const Box& destBox);

// Blends every chunk-view pixel over the output at destBox's origin, wrapping at the
// output's right and bottom edges. Returns the written box (origin at destBox, size of the
// view, before wrap-around), or the empty box when the shape does not fit (nothing written).
// `coverageGain`, when given, receives how much the output's alpha rose, summed over pixels.
Box plainPaste(PixelBuffer& output, const BufferView& chunkView, const Box& destBox,
               uint64_t* coverageGain = nullptr);
// As plainPaste, weighting each pixel by mask byte (view width * y + x); weight 0 is skipped.
// The mask must have the view's size, else nothing is written and the empty box returned.
Box maskedPaste(PixelBuffer& output, const BufferView& chunkView, const MaskBuffer& mask,
                const Box& destBox, uint64_t* coverageGain = nullptr);
