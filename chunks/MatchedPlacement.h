#pragma once

#include <cstdint>
#include <vector>

#include "chunks/Extent.h"
#include "chunks/OverlapErrors.h"
#include "chunks/Placement.h"
#include "engine/Box.h"
#include "engine/PixelBuffer.h"

// Places each automatic paste where the chunk agrees best with what is already in the output.
// The Halton point of the Random placement (without jitter) still decides which uncovered pixel
// the paste must cover, so coverage advances as with Random; among all positions of the chunk
// that cover that pixel, one is drawn with probability proportional to
// exp(-error / (kErrorScale x chunk variance)), where error is the mean squared colour
// difference over the overlap with covered output (weighted by both alphas), plus a penalty for
// positions that would add few new pixels. Positions overlapping less than kMinimumOverlap of
// the chunk are not compared; when none is left, the paste keeps the Halton position. The
// synthesizer owns one; it keeps the chunk's transforms.
class MatchedPlacement {
public:
    // Scale of the error in the drawing weights, relative to the chunk's colour variance (both
    // summed over R, G and B). An unrelated position errs by about twice the variance; one
    // worse than the best by a twentieth of the variance is drawn e^5 times less often, so the
    // draw stays among near-equal best matches (periods of a lattice, similar stones). Half
    // this value let a single chunk of a stochastic texture fall into the same relative shift
    // paste after paste, repeating visibly; larger values gave no better seams.
    static constexpr double kErrorScale = 0.01;
    // Least alpha-weighted overlap, as a share of the chunk's area, for a position to be
    // compared: smaller overlaps judge the match on too few pixels to mean anything.
    static constexpr double kMinimumOverlap = 1.0 / 16.0;
    // A position that would cover less than kCoverageShare of the uncovered pixels that the
    // best-covering position covers counts extra error, rising to kDeepOverlapPenalty chunk
    // variances for one that covers nothing new. Matching alone favours deep overlaps a few
    // pixels off an earlier copy of the chunk (large, smooth shapes barely change under small
    // shifts; such positions err by a third of a variance where well-covering ones err by one
    // and a half): they add a few pixels each, multiply the pastes and smear the picture. An
    // unrelated position errs by about two variances, so a deep overlap that matches exactly,
    // as on the periods of a lattice, still wins.
    static constexpr double kCoverageShare = 0.5;
    static constexpr double kDeepOverlapPenalty = 1.5;
    // Sequence points passed over, at most, while looking for one that some position can be
    // compared at (within a chunk's reach of enough covered output). A paste that overlaps
    // nothing starts a patch of its own phase; on a lattice, two such patches meet along a seam
    // where the courses do not line up. Growing the output from its first paste leaves no such
    // seams.
    static constexpr int kSkipsTowardsContent = 64;
    // Chunks at least this wide and high are compared at half resolution (chunk and output
    // halved, a quarter of the transform work), and the drawn position is then settled at full
    // resolution among the one under it and its eight neighbours, by the exact error. Such a
    // chunk spends more time in the comparison than in its cut. Smaller chunks compare at full
    // resolution: halving 256-pixel chunks of the text photograph lost the letters' detail and
    // left stronger seams than random placement, for a saving of a few milliseconds a paste.
    // An output of odd width or height is always compared at full resolution, since halving it
    // would not wrap around as the output does.
    static constexpr int64_t kCoarseSide = 384;
    // How much lower the mean error of a neighbouring position must be for the settling at full
    // resolution to move there: a lost phase errs like an unrelated position, its neighbour in
    // phase next to nothing.
    static constexpr double kSettleGain = 0.25;

    // The chunk that will be pasted (the synthesizer's used chunk; not owned, may be null).
    // Call again whenever its pixels change.
    void setChunk(const PixelBuffer* chunk);

    // The box for the next paste of the chunk, of size `chunk` (which must be the set chunk's
    // size, or the Halton box is returned). Advances the counter like Random, passing over
    // points where no position can be compared while the output has any content (up to
    // kSkipsTowardsContent), and draws two random values per point, plus two for the choice
    // when positions were compared. Empty when the output is full or empty. A chunk larger
    // than the output keeps the Halton box.
    Box place(const PixelBuffer& output, Extent chunk, PlacementContext& context);

    // The uncovered output pixel the last placement had to cover; x = -1 when there was none
    // (an empty box was returned). Read by tests.
    struct Aim {
        int64_t x = -1;
        int64_t y = -1;
    };
    Aim lastAim() const { return lastAim_; }
    // True when the last placement was chosen by comparing positions, not the Halton box.
    bool lastMatched() const { return lastMatched_; }

private:
    static Aim aimPixel(const PixelBuffer& output, const Box& halton);
    static bool reachesContent(const PixelBuffer& output, Aim aim, Extent chunk);
    static bool hasContent(const PixelBuffer& output);
    static bool searchesCoarse(const PixelBuffer& output, Extent chunk);
    bool matchAround(const PixelBuffer& output, Extent chunk, RandomGenerator& random, Box& box);
    bool matchCoarse(const PixelBuffer& output, Extent chunk, RandomGenerator& random, Box& box);
    void settle(const PixelBuffer& output, int64_t& x, int64_t& y) const;
    double compareErrors(const OverlapErrors& errors, Extent chunk);
    bool drawOffset(const OverlapErrors& errors, Extent chunk, RandomGenerator& random, uint32_t& dx, uint32_t& dy);

    const PixelBuffer* chunk_ = nullptr;
    OverlapErrors errors_;
    // The half-resolution search: the halved chunk (made when first needed after setChunk),
    // the halved output (remade for every comparison) and their correlations.
    PixelBuffer coarseChunk_;
    PixelBuffer coarseOutput_;
    OverlapErrors coarseErrors_;
    bool coarseChunkReady_ = false;
    std::vector<double> cumulative_; // running sum of the drawing weights, one per position
    Aim lastAim_;
    bool lastMatched_ = false;
};
