#include "chunks/ScanConverter.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "chunks/SelectionGeometry.h"

namespace {

// Where an edge of the polygon crosses a row, and which way it runs (+1 down, -1 up).
struct Crossing {
    double x = 0.0;
    int winding = 0;
};

// Visits one pixel per step along the longer axis (major m, minor n), from (m0, n0) to
// (m1, n1), restricted to the steps 0 <= m < majorLimit so that far-away ends cost nothing.
template <typename Plot>
void traceLine(int64_t m0, int64_t n0, int64_t m1, int64_t n1, int64_t majorLimit, Plot plot) {
    if (m0 > m1) {
        std::swap(m0, m1);
        std::swap(n0, n1);
    }
    const double slope = m1 == m0 ? 0.0 : double(n1 - n0) / double(m1 - m0);
    const int64_t last = std::min(m1, majorLimit - 1);
    for (int64_t m = std::max<int64_t>(m0, 0); m <= last; ++m)
        plot(m, int64_t(std::floor(double(n0) + double(m - m0) * slope + 0.5)));
}

// Sets the pixels of a row whose centres x lie in [from, to).
void fillSpan(uint8_t* row, uint32_t width, double from, double to, uint8_t value) {
    const double first = std::max(std::ceil(from), 0.0);
    const double end = std::min(std::ceil(to), double(width));
    if (first < end)
        std::fill(row + int64_t(first), row + int64_t(end), value);
}

// Crossings of row y by every non-horizontal edge; an edge owns its top end, not its bottom
// end, so a vertex on the row is counted once.
void collectCrossings(std::span<const PixelPoint> points, int64_t y, std::vector<Crossing>& crossings) {
    crossings.clear();
    for (size_t i = 0; i < points.size(); ++i) {
        const PixelPoint a = points[i], b = points[(i + 1) % points.size()];
        if (a.y == b.y)
            continue;
        const int64_t top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
        if (y < top || y >= bottom)
            continue;
        const double x = a.x + double(y - a.y) * double(int64_t(b.x) - a.x) / double(int64_t(b.y) - a.y);
        crossings.push_back({x, a.y < b.y ? 1 : -1});
    }
    std::sort(crossings.begin(), crossings.end(), [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
}

void fillRowByWinding(uint8_t* row, uint32_t width, const std::vector<Crossing>& crossings, uint8_t value) {
    int winding = 0;
    double start = 0.0;
    for (const Crossing& c : crossings) {
        const int before = winding;
        winding += c.winding;
        if (before == 0 && winding != 0)
            start = c.x;
        else if (before != 0 && winding == 0)
            fillSpan(row, width, start, c.x, value);
    }
}

void fillInterior(MaskBuffer& mask, std::span<const PixelPoint> points, uint8_t value) {
    const auto [lowest, highest] =
        std::minmax_element(points.begin(), points.end(), [](PixelPoint a, PixelPoint b) { return a.y < b.y; });
    const int64_t first = std::max<int64_t>(lowest->y, 0);
    const int64_t last = std::min<int64_t>(highest->y, int64_t(mask.height()) - 1);
    std::vector<Crossing> crossings;
    crossings.reserve(points.size());
    for (int64_t y = first; y <= last; ++y) {
        collectCrossings(points, y, crossings);
        fillRowByWinding(mask.bytes() + size_t(y) * mask.width(), mask.width(), crossings, value);
    }
}

} // namespace

void fillBox(MaskBuffer& mask, const Box& box, uint8_t value) {
    const Box clipped = intersectBoxes(box, fullBox(mask.width(), mask.height()));
    if (clipped.isEmpty())
        return;
    for (int32_t y = clipped.y0; y <= clipped.y1; ++y)
        std::fill_n(&mask.at(uint32_t(clipped.x0), uint32_t(y)), size_t(clipped.width()), value);
}

void drawLine(MaskBuffer& mask, PixelPoint a, PixelPoint b, uint8_t value) {
    const int64_t w = mask.width(), h = mask.height();
    const int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
    if (std::llabs(dx) >= std::llabs(dy)) {
        traceLine(a.x, a.y, b.x, b.y, w, [&](int64_t x, int64_t y) {
            if (y >= 0 && y < h)
                mask.at(uint32_t(x), uint32_t(y)) = value;
        });
    } else {
        traceLine(a.y, a.x, b.y, b.x, h, [&](int64_t y, int64_t x) {
            if (x >= 0 && x < w)
                mask.at(uint32_t(x), uint32_t(y)) = value;
        });
    }
}

void fillPolygon(MaskBuffer& mask, std::span<const PixelPoint> points, uint8_t value) {
    if (points.size() < 3 || mask.count() == 0)
        return;
    fillInterior(mask, points, value);
    for (size_t i = 0; i < points.size(); ++i)
        drawLine(mask, points[i], points[(i + 1) % points.size()], value);
}
