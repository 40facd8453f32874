#pragma once

#include <cstdint>

// How much memory one paste may take, and how much a paste is expected to take. A paste's graph
// grows with its overlap, and a large chunk over a large output can ask for more memory than
// the machine has; in the window the process that would die is the host program. A paste
// whose estimate is above the budget is refused before its graph is built.
class MemoryBudget {
public:
    // The seam graph, its edge properties and the solver's copy, per overlap pixel (measured).
    static constexpr uint64_t kGraphBytesPerOverlapPixel = 600;
    // The footprint's maps: weight mask, vertex of each pixel, new/old colour distance.
    static constexpr uint64_t kMapBytesPerFootprintPixel = 13;
    // The share of the available memory that one paste may use, by default.
    static constexpr uint64_t kDefaultShareDivisor = 2;

    // Bytes a paste over `footprintPixels` chunk pixels, `overlapPixels` of them to be cut,
    // is expected to take.
    static uint64_t pasteBytes(uint64_t footprintPixels, uint64_t overlapPixels);

    // Half of the memory available now: what the system reports available (MemAvailable), or
    // less when the process's control group allows less. 0 when neither can be read.
    static uint64_t defaultLimit();
};
