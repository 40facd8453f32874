#pragma once

#include <cstdint>

#include "chunks/Extent.h"
#include "chunks/HaltonTable.h"
#include "chunks/ImageCollection.h"
#include "chunks/PlacementParameters.h"
#include "engine/Box.h"
#include "engine/PixelBuffer.h"
#include "engine/RandomGenerator.h"

// Where the next paste goes. Every returned box has the size of the chunk and its top-left
// corner inside the output; it may run past the right and bottom edges, where the output wraps.
// An empty box means that nothing is to be pasted.

class MatchedPlacement;

// What a placement reads and advances besides the parameters. The synthesizer owns all of them;
// `counter` is its placementCounter (the index of the next sequence point or grid cell).
// `matched` keeps the chunk's transforms for Matched; without it Matched places like Random
// without jitter.
struct PlacementContext {
    const HaltonTable& halton;
    uint32_t& counter;
    RandomGenerator& random;
    MatchedPlacement* matched = nullptr;
};

// Dispatches on params.method for a chunk of `chunk` pixels. Matched ignores the jittering. SinglePaste wraps (pasteX, pasteY)
// into the output and leaves the counter alone; an unknown method, an empty output or an empty
// chunk gives the empty box.
Box placeChunk(const PlacementParameters& params, const PixelBuffer& output, Extent chunk,
               PlacementContext& context);

// Next Halton point of the counter, jittered by up to `jittering` (clamped to 0..1) times the
// output size and wrapped; draws exactly two random values. Then skips, without jitter, boxes
// whose pixels are all covered. Empty box when the output is full, the output is empty or the
// chunk box is empty; a hard-to-hit uncovered pixel is eventually taken directly as the origin.
Box placeRandom(const PixelBuffer& output, const Box& chunkBox, double jittering,
                PlacementContext& context);

// The grid cell at `counter` (row by row, restarting after the last), then counter += 1.
// Cells closer than 4 pixels still advance by at least 1 pixel. Empty box, counter unchanged,
// when the output or the chunk is empty.
Box placeSemiRegular(Extent output, Extent chunk, Extent cell, double coveringFactor, uint32_t& counter);

// Placements in one pass of the semi-regular grid: after this many the walk starts again at
// the top-left cell. The last row and the last column of a pass cross the output's bottom and
// right edges. 1 for an empty output.
uint64_t gridCellCount(Extent output, Extent cell, double coveringFactor);

// Distance in pixels between neighbouring grid cells of size `cell`: the cell less its
// overlap (coveringFactor clamped to 0..1), leaving an overlap of at least 3 pixels; at least 1.
int64_t gridStep(int64_t cell, double coveringFactor);

// True when every pixel of `box`, taken modulo the output size, has alpha 255. Any box is
// accepted; an empty box or an empty output has nothing uncovered and gives true.
bool isBoxCovered(const PixelBuffer& output, const Box& box);

// Sets the grid cell of a SemiRegular run: the smallest chunk width and height over all
// images when chunks are mixed, otherwise the size of the current chunk's bounds (0 x 0 when
// there is no current image).
void setGridCell(PlacementParameters& params, const ImageCollection& images);
