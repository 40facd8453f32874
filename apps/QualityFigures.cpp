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

double QualityFigures::meanWrapDistance(const PixelBuffer& output) {
    Mean mean;
    const uint32_t W = output.width(), H = output.height();
    for (uint32_t y = 0; y < H; ++y)
        mean.add(colourDistance(output.at(W - 1, y), output.at(0, y)));
    for (uint32_t x = 0; x < W; ++x)
        mean.add(colourDistance(output.at(x, H - 1), output.at(x, 0)));
    return mean.value().value_or(0.0);
}

QualityFigures QualityFigures::measure(const PixelBuffer& output, const SeamStore& seams) {
    QualityFigures figures;
    if (output.count() == 0)
        return figures;
    Mean cost, across;
    const uint32_t* pixels = output.pixels();
    auto visit = [&](const std::vector<SeamRecord>& list) {
        for (const SeamRecord& record : list) {
            cost.add(record.cost);
            if (record.first < output.count() && record.second < output.count())
                across.add(colourDistance(pixels[record.first], pixels[record.second]));
        }
    };
    for (uint32_t y = 0; y < seams.height(); ++y)
        visit(seams.row(y));
    for (uint32_t x = 0; x < seams.width(); ++x)
        visit(seams.column(x));
    const double neighbours = meanNeighbourDistance(output);
    figures.meanSeamCost = cost.value();
    figures.seamContrast = ratio(across.value(), neighbours);
    figures.wrapContrast = ratio(std::optional<double>(meanWrapDistance(output)), neighbours);
    return figures;
}
