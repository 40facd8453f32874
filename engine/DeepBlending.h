#pragma once

#include "engine/Box.h"
#include "engine/DeepPixelBuffer.h"
#include "engine/MaskBuffer.h"

// The blend rules and paste loops of Blending.h for 16-bit colour. Alpha decisions are taken on
// the 8-bit coverage scale exactly as there; each colour channel is mixed as
// d := (d * (255 - a) + s * a) / 255 on its 16-bit value, so a weight that copies an 8-bit pixel
// whole copies the 16-bit pixel whole, low bits included.

DeepPixel deepBlendOver(DeepPixel dst, DeepPixel src);
DeepPixel deepBlendMasked(DeepPixel dst, DeepPixel src, uint32_t weight);

// Pastes `region` of `chunk` with its top-left pixel at `dest`'s origin, wrapping at the
// canvas's right and bottom edges, like plainPaste. Returns the written box, or the empty box
// (nothing written) when the region lies outside the chunk, is larger than the canvas or the
// origin lies outside the canvas.
Box deepPlainPaste(DeepPixelBuffer& canvas, const DeepPixelBuffer& chunk, const Box& region, const Box& dest);
// As deepPlainPaste, weighting each pixel by the mask byte (region width * y + x) like
// maskedPaste; weight 0 is skipped. The mask must have the region's size.
Box deepMaskedPaste(DeepPixelBuffer& canvas, const DeepPixelBuffer& chunk, const Box& region, const MaskBuffer& mask,
                    const Box& dest);
