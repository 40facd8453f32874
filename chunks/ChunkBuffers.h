#pragma once

#include "chunks/InputImage.h"
#include "engine/PixelBuffer.h"

// The two buffers through which the current chunk of an image is handed to the synthesizer.
// Both are rebuilt only when the chunk changed, so each call allocates `out` once.

// Fills `out` with the current chunk's pixels, of the size of its `bounds`: the part of the
// bounds inside the image is copied from the working (possibly pre-filtered) pixels, the rest
// is 0; the outer mask caps each alpha. `out` is empty when the bounds are empty or too large
// to allocate. May compute and cache the image's pre-filtered copy.
void makeChunkPixels(InputImage& image, PixelBuffer& out);
// The same for `chunk`, one of `image`'s chunks, current or not.
void makeChunkPixels(InputImage& image, const Chunk& chunk, PixelBuffer& out);

// Fills `out` with the current chunk's inner-limit map: with an inner mask, of the mask's size,
// each pixel opaque grey of the mask byte (nonzero red and alpha = forced); otherwise of the
// size of `bounds`, all 0. `out` is empty when that size is empty or too large to allocate.
void makeChunkMask(const InputImage& image, PixelBuffer& out);

// The most opaque alpha among the pixels makeChunkPixels would make for `chunk`, one of
// `image`'s chunks (the outer mask applied, parts outside the image transparent); 0 when
// nothing of it is visible. May compute and cache the image's pre-filtered copy.
uint32_t strongestAlpha(InputImage& image, const Chunk& chunk);
