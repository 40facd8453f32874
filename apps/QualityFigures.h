#pragma once

#include <optional>

#include "apps/PixelOrigins.h"
#include "engine/PixelBuffer.h"
#include "engine/SeamStore.h"

// How visible the joins of a finished output are. A join between neighbours p and q (q one
// step d from p) shows where the colours differ from what each side's own source has there:
// its distance is the mean of |O(q) - source of p continued by d| and |O(p) - source of q
// continued by -d|, over whichever continuations exist. Contrasts compare the mean of that
// distance over a kind of pair with the mean jump between any two neighbouring pixels of the
// same output: below about 1 the joins are no more visible than the texture itself. Comparing
// the plain jump across a join instead would count the texture's own edges: a cut that follows
// mortar lines or thread edges crosses jumps that belong there.
struct QualityFigures {
    // Mean cost of the seams left in the store; none without seams.
    std::optional<double> meanSeamCost;
    // Mean join distance across the stored seams over the mean neighbour distance.
    std::optional<double> seamContrast;
    // The same for the pixel pairs where the tile meets its next copy (last column to first,
    // last row to first); a paste that runs on across the tile's edge gives no join there.
    std::optional<double> wrapContrast;

    // `origins` of the output's size (null: unknown, and no contrasts). Contrasts are none
    // when the output has no neighbouring pixels, is uniform, or no pair of the kind is traced.
    static QualityFigures measure(const PixelBuffer& output, const SeamStore& seams, const PixelOrigins* origins);

    // The join distance between output pixels `first` and `second` (= first + (dx, dy),
    // wrapped); none when neither side's continuation is known.
    static std::optional<double> joinDistance(const PixelBuffer& output, const PixelOrigins& origins, uint32_t first,
                                              uint32_t second, int32_t dx, int32_t dy);

private:
    static double meanNeighbourDistance(const PixelBuffer& output);
    static std::optional<double> meanWrapDistance(const PixelBuffer& output, const PixelOrigins& origins);
};
