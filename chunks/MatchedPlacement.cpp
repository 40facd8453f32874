#include "chunks/MatchedPlacement.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <optional>

#include "chunks/Halving.h"
#include "chunks/WrapIndex.h"

namespace {

// Colour variance below which a chunk counts as flat; keeps the weights finite.
constexpr double kVarianceFloor = 1e-4;

bool isUncovered(const PixelBuffer& output, int64_t x, int64_t y) {
    const int64_t column = wrapIndex(x, output.width()), row = wrapIndex(y, output.height());
    return alphaOf(output.at(uint32_t(column), uint32_t(row))) != 255;
}

} // namespace

void MatchedPlacement::setChunk(const PixelBuffer* chunk) {
    chunk_ = chunk;
    errors_.setChunk(chunk);
    coarseChunkReady_ = false;
}

// The Halton point itself when it is uncovered, else the first uncovered pixel of its box in
// reading order (Random never returns a box without one).
MatchedPlacement::Aim MatchedPlacement::aimPixel(const PixelBuffer& output, const Box& halton) {
    const int64_t columns = std::min<int64_t>(halton.width(), output.width());
    const int64_t rows = std::min<int64_t>(halton.height(), output.height());
    for (int64_t y = 0; y < rows; ++y)
        for (int64_t x = 0; x < columns; ++x)
            if (isUncovered(output, halton.x0 + x, halton.y0 + y))
                return {wrapIndex(halton.x0 + x, output.width()), wrapIndex(halton.y0 + y, output.height())};
    return {halton.x0, halton.y0};
}

// True when some output pixel that a chunk covering the aim could overlap has any coverage.
bool MatchedPlacement::reachesContent(const PixelBuffer& output, Aim aim, Extent chunk) {
    const int64_t columns = std::min<int64_t>(2 * chunk.width - 1, output.width());
    const int64_t rows = std::min<int64_t>(2 * chunk.height - 1, output.height());
    const int64_t left = wrapIndex(aim.x - (chunk.width - 1), output.width());
    int64_t y = wrapIndex(aim.y - (chunk.height - 1), output.height());
    for (int64_t row = 0; row < rows; ++row) {
        const uint32_t* line = output.pixels() + y * int64_t(output.width());
        int64_t x = left;
        for (int64_t column = 0; column < columns; ++column) {
            if (alphaOf(line[x]) != 0)
                return true;
            if (++x == output.width())
                x = 0;
        }
        if (++y == output.height())
            y = 0;
    }
    return false;
}

bool MatchedPlacement::hasContent(const PixelBuffer& output) {
    const uint32_t* pixels = output.pixels();
    return std::any_of(pixels, pixels + output.count(), [](uint32_t p) { return alphaOf(p) != 0; });
}

// Fills cumulative_ with the error of every position worth comparing, with the penalty for
// covering little (infinity for the others), and returns the smallest; infinity when no
// position qualifies.
double MatchedPlacement::compareErrors(const OverlapErrors& errors, Extent chunk) {
    const uint32_t w = uint32_t(chunk.width), h = uint32_t(chunk.height);
    double leastSeen = std::numeric_limits<double>::infinity();
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            leastSeen = std::min(leastSeen, errors.overlap(x, y));
    const double area = errors.chunkArea();
    const double leastOverlap = std::max(kMinimumOverlap * area, 1e-3);
    const double mostOverlap = area - kCoverageShare * (area - leastSeen);
    const double newAtBest = std::max(1e-9, area - leastSeen);
    const double penalty = kDeepOverlapPenalty * errors.chunkVariance();
    cumulative_.assign(size_t(w) * h, 0.0);
    double best = std::numeric_limits<double>::infinity();
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const double overlap = errors.overlap(x, y);
            double& error = cumulative_[size_t(y) * w + x];
            error = overlap >= leastOverlap ? std::max(0.0, errors.squaredError(x, y)) / overlap
                                            : std::numeric_limits<double>::infinity();
            if (overlap > mostOverlap)
                error += penalty * (1.0 - (area - overlap) / newAtBest / kCoverageShare);
            best = std::min(best, error);
        }
    return best;
}

// Draws a compared position (dx, dy): the chunk with its top-left pixel at (dx, dy) of the
// comparison window, whose origin lies chunk size - 1 up and left of the aim.
bool MatchedPlacement::drawOffset(const OverlapErrors& errors, Extent chunk, RandomGenerator& random, uint32_t& dx,
                                  uint32_t& dy) {
    const double best = compareErrors(errors, chunk);
    if (!std::isfinite(best))
        return false;
    const double scale = kErrorScale * std::max(errors.chunkVariance(), kVarianceFloor);
    double total = 0.0;
    for (double& entry : cumulative_) {
        total += std::isfinite(entry) ? std::exp(-(entry - best) / scale) : 0.0;
        entry = total;
    }
    // 30 random bits: finer than the weight of any position worth drawing.
    const double hi = random.next(), lo = random.next();
    const double u = (hi * 32768.0 + lo) / 1073741824.0 * total;
    const size_t index = size_t(std::upper_bound(cumulative_.begin(), cumulative_.end(), u) - cumulative_.begin());
    const size_t chosen = std::min(index, cumulative_.size() - 1);
    dx = uint32_t(chosen % uint32_t(chunk.width));
    dy = uint32_t(chosen / uint32_t(chunk.width));
    return true;
}

bool MatchedPlacement::searchesCoarse(const PixelBuffer& output, Extent chunk) {
    return chunk.width >= kCoarseSide && chunk.height >= kCoarseSide && output.width() % 2 == 0 &&
           output.height() % 2 == 0;
}

// The drawn position among those covering the aim, false when none overlaps enough to compare.
bool MatchedPlacement::matchAround(const PixelBuffer& output, Extent chunk, RandomGenerator& random, Box& box) {
    if (searchesCoarse(output, chunk))
        return matchCoarse(output, chunk, random, box);
    const int64_t x0 = lastAim_.x - (chunk.width - 1), y0 = lastAim_.y - (chunk.height - 1);
    uint32_t dx = 0, dy = 0;
    if (!errors_.compare(output, x0, y0) || !drawOffset(errors_, chunk, random, dx, dy))
        return false;
    const int64_t x = wrapIndex(x0 + dx, output.width()), y = wrapIndex(y0 + dy, output.height());
    box = Box(int32_t(x), int32_t(y), int32_t(x + chunk.width - 1), int32_t(y + chunk.height - 1));
    return true;
}

// As matchAround, drawing among the positions of the halved chunk over the halved output. A
// halved position p stands for the full one 2p, which covers the aim whenever p covers the
// halved aim (the halved chunk is at most half as large).
bool MatchedPlacement::matchCoarse(const PixelBuffer& output, Extent chunk, RandomGenerator& random, Box& box) {
    if (!coarseChunkReady_) {
        halve(*chunk_, 0, 0, chunk_->width() / 2, chunk_->height() / 2, coarseChunk_);
        coarseErrors_.setChunk(&coarseChunk_);
        coarseChunkReady_ = true;
    }
    const Extent coarse{coarseChunk_.width(), coarseChunk_.height()};
    const int64_t x0 = lastAim_.x / 2 - (coarse.width - 1), y0 = lastAim_.y / 2 - (coarse.height - 1);
    // Only the window the comparison reads is halved, from its origin, so that it starts at (0, 0);
    // its size keeps every position clear of its own wrap unless it is the whole halved output.
    const uint32_t halfW = output.width() / 2, halfH = output.height() / 2;
    const uint32_t nx = OverlapErrors::windowSide(uint32_t(coarse.width), halfW);
    const uint32_t ny = OverlapErrors::windowSide(uint32_t(coarse.height), halfH);
    halve(output, x0, y0, nx, ny, coarseOutput_);
    uint32_t dx = 0, dy = 0;
    if (!coarseErrors_.compare(coarseOutput_, 0, 0) || !drawOffset(coarseErrors_, coarse, random, dx, dy))
        return false;
    int64_t x = 2 * (x0 + dx), y = 2 * (y0 + dy);
    settle(output, x, y);
    x = wrapIndex(x, output.width());
    y = wrapIndex(y, output.height());
    box = Box(int32_t(x), int32_t(y), int32_t(x + chunk.width - 1), int32_t(y + chunk.height - 1));
    return true;
}

// Moves the position (x, y) of the chunk, unwrapped, to whichever of its eight neighbours that
// still cover the aim has the least mean error over its overlap, when that error is below
// kSettleGain of the position's own. Halving loses the phase of details finer than two pixels
// (a lattice of even period that the output holds at an odd offset, a chunk cut from the
// output at an odd position), and this puts it back. Taking any small gain instead pulled
// stochastic textures onto exact copies of earlier pastes that add few pixels: more pastes,
// stronger seams.
void MatchedPlacement::settle(const PixelBuffer& output, int64_t& x, int64_t& y) const {
    const int64_t w = chunk_->width(), h = chunk_->height();
    auto meanError = [&](int64_t cx, int64_t cy) {
        double error = 0.0;
        const double overlap = OverlapErrors::directError(*chunk_, output, cx, cy, error);
        return overlap > 0.0 ? error / overlap : std::numeric_limits<double>::infinity();
    };
    const double centre = meanError(x, y);
    double best = kSettleGain * centre;
    const int64_t cx = x, cy = y;
    for (int64_t dy = -1; dy <= 1; ++dy)
        for (int64_t dx = -1; dx <= 1; ++dx) {
            const int64_t nx = cx + dx, ny = cy + dy;
            const bool coversAim = nx <= lastAim_.x && lastAim_.x < nx + w && ny <= lastAim_.y && lastAim_.y < ny + h;
            if ((dx == 0 && dy == 0) || !coversAim)
                continue;
            const double error = meanError(nx, ny);
            if (error < best) {
                best = error;
                x = nx;
                y = ny;
            }
        }
}

Box MatchedPlacement::place(const PixelBuffer& output, Extent chunk, PlacementContext& context) {
    lastAim_ = Aim();
    lastMatched_ = false;
    const Box chunkBox(0, 0, int32_t(chunk.width) - 1, int32_t(chunk.height) - 1);
    Box halton = placeRandom(output, chunkBox, 0.0, context);
    if (halton.isEmpty())
        return halton;
    lastAim_ = aimPixel(output, halton);
    if (!chunk_ || chunk_->width() != chunk.width || chunk_->height() != chunk.height ||
        chunk.width > output.width() || chunk.height > output.height())
        return halton;
    // Whether the output has any content at all, found out only when a point reaches none.
    std::optional<bool> anyContent;
    try {
        for (int skip = 0;; ++skip) {
            Box matched;
            if (reachesContent(output, lastAim_, chunk) && matchAround(output, chunk, context.random, matched)) {
                lastMatched_ = true;
                return matched;
            }
            if (!anyContent)
                anyContent = hasContent(output);
            if (!*anyContent || skip == kSkipsTowardsContent)
                return halton;
            const Box next = placeRandom(output, chunkBox, 0.0, context);
            if (next.isEmpty())
                return halton;
            halton = next;
            lastAim_ = aimPixel(output, halton);
        }
    } catch (const std::bad_alloc&) {
        // Matching is a refinement: without the memory for it the paste still goes ahead.
        return halton;
    }
}
