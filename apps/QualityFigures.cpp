#include "apps/QualityFigures.h"

#include "engine/CostFunctions.h"

namespace {

struct Mean {
    double sum = 0.0;
    size_t count = 0;
    void add(double v) {
        sum += v;
        ++count;
    }
    std::optional<double> value() const { return count ? std::optional<double>(sum / double(count)) : std::nullopt; }
};

std::optional<double> ratio(std::optional<double> part, double whole) {
    if (!part || !(whole > 0.0))
        return std::nullopt;
    return *part / whole;
}

} // namespace

// Horizontal and vertical neighbours inside the output, not across its wrap. Equal neighbours,
// which fill the flat and the not yet covered parts of a tile, count without a square root.
double QualityFigures::meanNeighbourDistance(const PixelBuffer& output) {
    const uint32_t W = output.width(), H = output.height();
    if (W == 0 || H == 0)
        return 0.0;
    double sum = 0.0;
    for (uint32_t y = 0; y < H; ++y) {
        const uint32_t* row = output.pixels() + size_t(y) * W;
        const uint32_t* below = y + 1 < H ? row + W : nullptr;
        for (uint32_t x = 0; x < W; ++x) {
            if (x + 1 < W && row[x] != row[x + 1])
                sum += colourDistance(row[x], row[x + 1]);
            if (below != nullptr && row[x] != below[x])
                sum += colourDistance(row[x], below[x]);
        }
    }
    const uint64_t pairs = uint64_t(W - 1) * H + uint64_t(H - 1) * W;
    return pairs != 0 ? sum / double(pairs) : 0.0;
}

std::optional<double> QualityFigures::joinDistance(const PixelBuffer& output, const PixelOrigins& origins,
                                                  uint32_t first, uint32_t second, int32_t dx, int32_t dy) {
    Mean mean;
    if (const std::optional<uint32_t> onward = origins.continuation(first, dx, dy))
        mean.add(colourDistance(output.pixels()[second], *onward));
    if (const std::optional<uint32_t> back = origins.continuation(second, -dx, -dy))
        mean.add(colourDistance(output.pixels()[first], *back));
    return mean.value();
}

std::optional<double> QualityFigures::meanWrapDistance(const PixelBuffer& output, const PixelOrigins& origins) {
    Mean mean;
    const uint32_t W = output.width(), H = output.height();
    auto add = [&](uint32_t first, uint32_t second, int32_t dx, int32_t dy) {
        if (const std::optional<double> d = joinDistance(output, origins, first, second, dx, dy))
            mean.add(*d);
    };
    for (uint32_t y = 0; y < H; ++y)
        add(y * W + W - 1, y * W, 1, 0);
    for (uint32_t x = 0; x < W; ++x)
        add((H - 1) * W + x, x, 0, 1);
    return mean.value();
}

QualityFigures QualityFigures::measure(const PixelBuffer& output, const SeamStore& seams, const PixelOrigins* origins) {
    QualityFigures figures;
    if (output.count() == 0)
        return figures;
    if (origins && (origins->width() != output.width() || origins->height() != output.height()))
        origins = nullptr;
    const uint32_t W = output.width();
    Mean cost, across;
    auto visit = [&](const std::vector<SeamRecord>& list) {
        for (const SeamRecord& record : list) {
            cost.add(record.cost);
            if (!origins || record.first >= output.count() || record.second >= output.count())
                continue;
            // The second pixel is the right neighbour when both lie in one row, else the lower.
            const bool sameRow = record.first / W == record.second / W;
            if (const std::optional<double> d =
                    joinDistance(output, *origins, record.first, record.second, sameRow ? 1 : 0, sameRow ? 0 : 1))
                across.add(*d);
        }
    };
    for (uint32_t y = 0; y < seams.height(); ++y)
        visit(seams.row(y));
    for (uint32_t x = 0; x < seams.width(); ++x)
        visit(seams.column(x));
    figures.meanSeamCost = cost.value();
    if (!origins)
        return figures;
    const double neighbours = meanNeighbourDistance(output);
    figures.seamContrast = ratio(across.value(), neighbours);
    figures.wrapContrast = ratio(meanWrapDistance(output, *origins), neighbours);
    return figures;
}
