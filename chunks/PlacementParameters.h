#pragma once

#include <cstdint>

// How the synthesizer chooses where each paste goes. The values are stored by the host's
// scripting parameters, hence fixed numbers.
enum class PlacementMethod : uint32_t {
    Random = 0,       // Halton sequence points, displaced by a random jitter
    SemiRegular = 1,  // walk over a grid of overlapping cells
    Matched = 2,      // covers the next Halton point where the chunk best agrees with the output
    SinglePaste = 3,  // one interactive paste at (pasteX, pasteY)
};

// The session's parameters that steer pasting; the synthesizer reads them at every step.
struct PlacementParameters {
    PlacementMethod method = PlacementMethod::Random;
    // Draw a new chunk among all chunks of all images before each automatic step.
    bool mixChunks = false;
    // SemiRegular: overlap of neighbouring cells as a fraction of the cell (0..1).
    double coveringFactor = 0.25;
    // Random: displacement as a fraction of the output size (0..1). Matched ignores it.
    double jittering = 0.0;
    // SinglePaste: rotation in radians and scale factor of the chunk.
    double angle = 0.0;
    double scale = 1.0;
    // SemiRegular: grid cell in pixels, set by the controller when a run starts.
    int32_t cellWidth = 0;
    int32_t cellHeight = 0;
    // SinglePaste: top-left output position of the chunk, in pixels.
    int32_t pasteX = 0;
    int32_t pasteY = 0;
};
