#include "chunks/Placement.h"

#include "chunks/MatchedPlacement.h"
#include "chunks/WrapIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Retries of Random that run into covered ground before the output is scanned for any
// uncovered pixel at all (a full output would otherwise be retried forever).
constexpr uint64_t kTriesBeforeFullCheck = 64;
// Halton retries allowed per chunk-sized share of the output before an uncovered pixel is
// taken directly; generous, so that the sequence decides in all but pathological cases.
constexpr uint64_t kTriesPerShare = 64;

int32_t saturate(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                       std::numeric_limits<int32_t>::max()));
}

Box boxAt(int64_t x, int64_t y, Extent size) {
    return Box(saturate(x), saturate(y), saturate(x + size.width - 1), saturate(y + size.height - 1));
}

// Fractions come from the user; NaN and values outside 0..1 would break the arithmetic below.
double clampFraction(double f) {
    return std::isnan(f) ? 0.0 : std::clamp(f, 0.0, 1.0);
}

Extent sizeOf(const PixelBuffer& buffer) {
    return {int64_t(buffer.width()), int64_t(buffer.height())};
}

struct Pixel {
    int64_t x = 0;
    int64_t y = 0;
};

bool findUncoveredPixel(const PixelBuffer& output, Pixel& found) {
    const uint32_t* pixels = output.pixels();
    for (uint32_t i = 0; i < output.count(); ++i) {
        if (alphaOf(pixels[i]) != 255) {
            found = {int64_t(i % output.width()), int64_t(i / output.width())};
            return true;
        }
    }
    return false;
}

uint64_t retryBudget(Extent output, Extent chunk) {
    const uint64_t area = uint64_t(output.width) * uint64_t(output.height);
    const uint64_t chunkArea =
        uint64_t(std::min(chunk.width, output.width)) * uint64_t(std::min(chunk.height, output.height));
    return kTriesBeforeFullCheck + kTriesPerShare * ((area + chunkArea - 1) / chunkArea);
}

}  // namespace

bool isBoxCovered(const PixelBuffer& output, const Box& box) {
    const int64_t width = output.width();
    const int64_t height = output.height();
    if (box.isEmpty() || width == 0 || height == 0)
        return true;
    // Past one output size the box only revisits pixels already tested.
    const int64_t columns = std::min(box.width(), width);
    const int64_t rows = std::min(box.height(), height);
    const int64_t left = wrapIndex(box.x0, width);
    int64_t y = wrapIndex(box.y0, height);
    for (int64_t row = 0; row < rows; ++row) {
        const uint32_t* line = output.pixels() + y * width;
        int64_t x = left;
        for (int64_t column = 0; column < columns; ++column) {
            if (alphaOf(line[x]) != 255)
                return false;
            if (++x == width)
                x = 0;
        }
        if (++y == height)
            y = 0;
    }
    return true;
}

Box placeRandom(const PixelBuffer& output, const Box& chunkBox, double jittering,
                PlacementContext& context) {
    const Extent out = sizeOf(output);
    const Extent chunk{chunkBox.width(), chunkBox.height()};
    if (out.isEmpty() || chunk.isEmpty())
        return Box::empty();
    const double jitter = clampFraction(jittering);

    HaltonPoint point = context.halton.haltonPoint(context.counter++);
    const int64_t rx = context.random.next() % out.width;
    const int64_t x = wrapIndex(int64_t(double(rx) * jitter + double(out.width) * point.x), out.width);
    const int64_t ry = context.random.next() % out.height;
    const int64_t y = wrapIndex(int64_t(double(ry) * jitter + double(out.height) * point.y), out.height);
    Box box = boxAt(x, y, chunk);

    const uint64_t budget = retryBudget(out, chunk);
    Pixel uncovered;
    for (uint64_t tries = 0; isBoxCovered(output, box); ++tries) {
        if (tries == kTriesBeforeFullCheck && !findUncoveredPixel(output, uncovered))
            return Box::empty();
        if (tries >= budget)
            return boxAt(uncovered.x, uncovered.y, chunk);
        point = context.halton.haltonPoint(context.counter++);
        // Points from index 5^10 on may reach 1, so the wrap still matters here.
        box = boxAt(wrapIndex(int64_t(double(out.width) * point.x), out.width),
                    wrapIndex(int64_t(double(out.height) * point.y), out.height), chunk);
    }
    return box;
}

int64_t gridStep(int64_t cell, double coveringFactor) {
    const double keep = 1.0 - clampFraction(coveringFactor);
    int64_t step = std::max<int64_t>(1, int64_t(std::floor(keep * double(cell))));
    if (cell - step <= 3)
        step = cell - 3;
    // Cells under 4 pixels cannot keep a 3-pixel overlap; they still move on by one pixel.
    return std::max<int64_t>(step, 1);
}

uint64_t gridCellCount(Extent output, Extent cell, double coveringFactor) {
    if (output.isEmpty())
        return 1;
    const uint64_t columns = uint64_t(output.width / gridStep(cell.width, coveringFactor) + 1);
    const uint64_t rows = uint64_t(output.height / gridStep(cell.height, coveringFactor) + 1);
    return columns * rows;
}

Box placeSemiRegular(Extent output, Extent chunk, Extent cell, double coveringFactor, uint32_t& counter) {
    if (output.isEmpty() || chunk.isEmpty())
        return Box::empty();
    const int64_t columns = output.width / gridStep(cell.width, coveringFactor) + 1;
    const int64_t rows = output.height / gridStep(cell.height, coveringFactor) + 1;
    // Spreads the columns (rows) evenly: mathematically output size / columns.
    const double stepX = double(cell.width) - (double(cell.width) * double(columns) - double(output.width)) / double(columns);
    const double stepY = double(cell.height) - (double(cell.height) * double(rows) - double(output.height)) / double(rows);
    const uint64_t index = counter;
    const int64_t i = int64_t(index % uint64_t(columns));
    const int64_t j = int64_t((index / uint64_t(columns)) % uint64_t(rows));
    ++counter;
    const int64_t x = std::min(int64_t(std::floor(double(i) * stepX)), output.width - 1);
    const int64_t y = std::min(int64_t(std::floor(double(j) * stepY)), output.height - 1);
    return boxAt(x, y, chunk);
}

Box placeChunk(const PlacementParameters& params, const PixelBuffer& output, Extent chunk,
               PlacementContext& context) {
    const Extent out = sizeOf(output);
    if (out.isEmpty() || chunk.isEmpty())
        return Box::empty();
    switch (params.method) {
    case PlacementMethod::Random:
        return placeRandom(output, boxAt(0, 0, chunk), params.jittering, context);
    case PlacementMethod::SemiRegular:
        return placeSemiRegular(out, chunk, {params.cellWidth, params.cellHeight}, params.coveringFactor,
                                context.counter);
    case PlacementMethod::Matched:
        if (context.matched)
            return context.matched->place(output, chunk, context);
        return placeRandom(output, boxAt(0, 0, chunk), 0.0, context);
    case PlacementMethod::SinglePaste:
        // A pointer position left of or above the output still lands on the wrapped tile.
        return boxAt(wrapIndex(params.pasteX, out.width), wrapIndex(params.pasteY, out.height), chunk);
    }
    return Box::empty();
}

void setGridCell(PlacementParameters& params, const ImageCollection& images) {
    Extent cell = images.minChunkSize();
    if (!params.mixChunks) {
        const InputImage* image = images.currentImage();
        cell = image ? Extent{image->current().width(), image->current().height()} : Extent{};
    }
    auto toCell = [](int64_t size) { return int32_t(std::clamp<int64_t>(size, 0, INT32_MAX)); };
    params.cellWidth = toCell(cell.width);
    params.cellHeight = toCell(cell.height);
}
