#pragma once

#include "chunks/Chunk.h"
#include "engine/Box.h"
#include "engine/MaskBuffer.h"

// Operations that set a chunk's outer and inner limits. Each leaves the chunk's invariants
// intact: masks are empty or of the size of `bounds`, the inner limit never reaches outside
// the outer one and is dropped when nothing of it is left. `bounds` changes last.

// Rectangular outer limit: drops the outer mask, refits the inner limit to `box`, makes
// `box` the bounds and clears `empty`. An empty box leaves the chunk unchanged.
void setBounds(Chunk& chunk, const Box& box);

// Outer limit from a mask of the whole input image (nonzero = selected): the bounds become
// the box of the selected bytes and the outer mask that part of `imageMask`. Nothing
// selected resets the chunk to the whole image without an outer mask.
void setOuterFromMask(Chunk& chunk, const MaskBuffer& imageMask);

// Inner limit from a mask of the whole input image: the part inside the bounds, cut to the
// outer limit; dropped when nothing of it is left.
void setInnerFromMask(Chunk& chunk, const MaskBuffer& imageMask);

// Drops the inner limit.
void clearInner(Chunk& chunk);

// Moves the inner limit from the current bounds to `newBox`, keeping it at the same image
// positions (0 where it did not reach) and cut to the outer mask, which must already be of
// newBox's size or empty. Called before `bounds` is changed.
void refitInner(Chunk& chunk, const Box& newBox);
