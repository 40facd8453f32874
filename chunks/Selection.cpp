#include "chunks/Selection.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "chunks/ChunkLimits.h"
#include "chunks/SelectionGeometry.h"

namespace {

// Keeps converted coordinates far from int32 overflow while leaving them outside any image.
constexpr float kCoordinateLimit = float(1 << 30);

// Widget coordinate to image pixel, rounded to the nearest pixel (truncating towards zero).
int32_t toImage(int32_t u, float scale) {
    const float v = float(u) * scale + 0.5f;
    if (std::isnan(v))
        return 0;
    return int32_t(std::trunc(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)));
}

bool usableScale(float s) { return std::isfinite(s) && s > 0.0f; }

bool isClick(SelectionTool tool, std::span<const PixelPoint> points) {
    if (tool == SelectionTool::Lasso)
        return points.size() < 3;
    return points.size() < 2 || points.front() == points.back();
}

// The rectangle spanned by the first and last point, corners ordered, then converted.
Box dragBox(std::span<const PixelPoint> points, float sx, float sy) {
    const PixelPoint a = points.front(), b = points.back();
    return Box(toImage(std::min(a.x, b.x), sx), toImage(std::min(a.y, b.y), sy), toImage(std::max(a.x, b.x), sx),
               toImage(std::max(a.y, b.y), sy));
}

std::vector<PixelPoint> lassoInImage(std::span<const PixelPoint> points, float sx, float sy, int32_t width,
                                     int32_t height) {
    std::vector<PixelPoint> converted;
    converted.reserve(points.size());
    for (const PixelPoint& p : points)
        converted.push_back({std::clamp(toImage(p.x, sx), 0, width - 1), std::clamp(toImage(p.y, sy), 0, height - 1)});
    return converted;
}

// The quick path: a rectangular outer limit is only the chunk's bounds.
void replaceOuterByBox(Chunk& chunk, const Box& imageBox, bool click, std::span<const PixelPoint> points,
                       float sx, float sy) {
    const Box box = click ? imageBox : intersectBoxes(dragBox(points, sx, sy), imageBox);
    if (!box.isEmpty())
        setBounds(chunk, box);
}

// The image-sized picture the shape is painted on: blank in Replace mode, otherwise the
// limit being edited, at its place in the image.
MaskBuffer startingPicture(const Chunk& chunk, const Box& imageBox, SelectionLimit limit, SelectionMode mode) {
    MaskBuffer picture(uint32_t(imageBox.width()), uint32_t(imageBox.height()), 0);
    if (mode == SelectionMode::Replace)
        return picture;
    const MaskBuffer& edited = limit == SelectionLimit::Outer ? chunk.outerMask : chunk.innerMask;
    if (edited.count() != 0)
        return cropMask(edited, chunk.bounds, imageBox, 0);
    if (limit == SelectionLimit::Outer)
        fillBox(picture, chunk.bounds, 255);
    return picture;
}

} // namespace

void selectionToMask(Chunk& chunk, int32_t width, int32_t height, SelectionTool tool, SelectionLimit limit,
                     SelectionMode mode, std::span<const PixelPoint> points, float sx, float sy) {
    if (width < 1 || height < 1 || int64_t(width) * height > int64_t(std::numeric_limits<uint32_t>::max()) ||
        !usableScale(sx) || !usableScale(sy))
        return;
    const Box imageBox(0, 0, width - 1, height - 1);
    const bool click = isClick(tool, points);
    if (click && mode != SelectionMode::Replace)
        return;
    if (limit == SelectionLimit::Outer && mode == SelectionMode::Replace && (click || tool == SelectionTool::Rectangle))
        return replaceOuterByBox(chunk, imageBox, click, points, sx, sy);
    if (click)
        return clearInner(chunk);

    MaskBuffer picture = startingPicture(chunk, imageBox, limit, mode);
    const uint8_t colour = mode == SelectionMode::Subtract ? 0 : 255;
    if (tool == SelectionTool::Rectangle)
        fillBox(picture, intersectBoxes(dragBox(points, sx, sy), imageBox), colour);
    else
        fillPolygon(picture, lassoInImage(points, sx, sy, width, height), colour);
    if (limit == SelectionLimit::Outer)
        setOuterFromMask(chunk, picture);
    else
        setInnerFromMask(chunk, picture);
}
