#pragma once

#include <optional>

#include "engine/PixelBuffer.h"
#include "engine/SeamStore.h"

// How visible the joins of a finished output are. Contrasts compare the colour jump across a
// kind of pixel pair with the average jump between any two neighbouring pixels of the same
// output: about 1 means "no more visible than the texture itself".
struct QualityFigures {
    // Mean cost of the seams left in the store; none without seams.
    std::optional<double> meanSeamCost;
    // Mean colour distance across the stored seams over the mean neighbour distance.
    std::optional<double> seamContrast;
    // Mean colour distance from the last column to the first and the last row to the first
    // (where the tile meets its next copy) over the mean neighbour distance.
    std::optional<double> wrapContrast;

    // Contrasts are none when the output has no neighbouring pixels or is uniform.
    static QualityFigures measure(const PixelBuffer& output, const SeamStore& seams);

private:
    static double meanNeighbourDistance(const PixelBuffer& output);
    static double meanWrapDistance(const PixelBuffer& output);
};
