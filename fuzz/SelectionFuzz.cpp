// Drags in the input area turned into a chunk's limits: rectangles and lassos with any widget
// coordinates and scales, in every tool, limit and mode, one after another on the same chunk.
// After each drag the chunk must keep its invariants: bounds inside the image, masks empty or
// of the bounds' size, the inner limit never outside the outer one and never left empty.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <vector>

#include "chunks/Chunk.h"
#include "chunks/Selection.h"
#include "chunks/SelectionGeometry.h"

namespace {

bool fitsBounds(const MaskBuffer& mask, const Chunk& chunk) {
    return mask.count() == 0 || (int64_t(mask.width()) == chunk.width() && int64_t(mask.height()) == chunk.height());
}

bool intact(const Chunk& chunk) {
    const Box& b = chunk.bounds;
    if (b.isEmpty() || b.x0 < 0 || b.y0 < 0 || b.x1 >= chunk.imageWidth || b.y1 >= chunk.imageHeight)
        return false;
    if (!fitsBounds(chunk.outerMask, chunk) || !fitsBounds(chunk.innerMask, chunk))
        return false;
    if (chunk.outerMask.count() != 0 && chunk.empty == hasSetByte(chunk.outerMask))
        return false;
    if (chunk.innerMask.count() == 0)
        return true;
    if (!hasSetByte(chunk.innerMask))
        return false;
    for (uint32_t y = 0; y < chunk.innerMask.height(); ++y)
        for (uint32_t x = 0; x < chunk.innerMask.width(); ++x)
            if (chunk.innerMask.at(x, y) != 0 && chunk.outerMask.count() != 0 && chunk.outerMask.at(x, y) == 0)
                return false;
    return true;
}

// Mostly scales a window would give; now and then any float at all.
float scaleOf(FuzzedDataProvider& input) {
    if (input.ConsumeBool())
        return input.ConsumeFloatingPoint<float>();
    return float(input.ConsumeIntegralInRange<int>(1, 64)) / 8.0f;
}

// Mostly points around the image; now and then anywhere.
PixelPoint pointOf(FuzzedDataProvider& input) {
    if (input.ConsumeBool())
        return {input.ConsumeIntegral<int32_t>(), input.ConsumeIntegral<int32_t>()};
    return {input.ConsumeIntegralInRange<int32_t>(-20, 120), input.ConsumeIntegralInRange<int32_t>(-20, 120)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const int32_t width = input.ConsumeIntegralInRange<int32_t>(1, 80);
    const int32_t height = input.ConsumeIntegralInRange<int32_t>(1, 80);
    Chunk chunk{uint32_t(width), uint32_t(height)};
    std::vector<PixelPoint> points;
    for (int drag = 0; drag < 8 && input.remaining_bytes() > 0; ++drag) {
        const auto tool = SelectionTool(input.ConsumeIntegralInRange<int>(0, 1));
        const auto limit = SelectionLimit(input.ConsumeIntegralInRange<int>(0, 1));
        const auto mode = SelectionMode(input.ConsumeIntegralInRange<int>(0, 2));
        const float sx = scaleOf(input), sy = scaleOf(input);
        points.resize(input.ConsumeIntegralInRange<size_t>(0, 40));
        for (PixelPoint& p : points)
            p = pointOf(input);
        selectionToMask(chunk, width, height, tool, limit, mode, points, sx, sy);
        if (!intact(chunk))
            std::abort();
    }
    return 0;
}
