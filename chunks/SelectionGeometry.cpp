#include "chunks/SelectionGeometry.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();

// Reduces v into [0, n); n > 0. Any offset is accepted, not only one turn past the edge.
uint32_t wrapInto(int64_t v, uint32_t n) {
    const int64_t r = v % int64_t(n);
    return uint32_t(r < 0 ? r + n : r);
}

bool fitsMaskCount(const Box& box) {
    return !box.isEmpty() && box.width() * box.height() <= int64_t(std::numeric_limits<uint32_t>::max());
}

template <typename T>
void blitWrappedPlane(T* dst, uint32_t dw, uint32_t dh, const T* src, uint32_t sw, uint32_t sh, const Box& from,
                      int64_t dx, int64_t dy) {
    if (dw == 0 || dh == 0)
        return;
    const Box region = intersectBoxes(from, fullBox(sw, sh));
    if (region.isEmpty())
        return;
    // Clipping the region moves its corner; its destination moves with it.
    const int64_t ox = dx + (int64_t(region.x0) - from.x0);
    const int64_t oy = dy + (int64_t(region.y0) - from.y0);
    for (int64_t i = 0; i < region.height(); ++i) {
        T* row = dst + size_t(wrapInto(oy + i, dh)) * dw;
        const T* s = src + size_t(region.y0 + i) * sw + size_t(region.x0);
        uint32_t tx = wrapInto(ox, dw);
        for (int64_t j = 0; j < region.width(); ++j) {
            row[tx] = s[j];
            if (++tx == dw)
                tx = 0;
        }
    }
}

// Copies, into `dst` (of to's size), the part of the sw x sh source placed at from's corner
// that lies inside both `from` and `to`. 64-bit corners: from.x0 + sw may pass int32.
template <typename T>
void copyOverlap(const T* src, uint32_t sw, uint32_t sh, const Box& from, T* dst, uint32_t dw, const Box& to) {
    const int64_t x0 = std::max<int64_t>(from.x0, to.x0);
    const int64_t y0 = std::max<int64_t>(from.y0, to.y0);
    const int64_t x1 = std::min({int64_t(from.x1), int64_t(from.x0) + sw - 1, int64_t(to.x1)});
    const int64_t y1 = std::min({int64_t(from.y1), int64_t(from.y0) + sh - 1, int64_t(to.y1)});
    if (x0 > x1 || y0 > y1)
        return;
    const size_t length = size_t(x1 - x0 + 1);
    for (int64_t y = y0; y <= y1; ++y) {
        const T* s = src + size_t(y - from.y0) * sw + size_t(x0 - from.x0);
        std::copy_n(s, length, dst + size_t(y - to.y0) * dw + size_t(x0 - to.x0));
    }
}

} // namespace

Box intersectBoxes(const Box& a, const Box& b) {
    return Box(std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1));
}

Box fullBox(uint32_t width, uint32_t height) {
    if (width == 0 || height == 0)
        return Box::empty();
    return Box(0, 0, int32_t(std::min<int64_t>(width, kInt32Max + 1) - 1),
               int32_t(std::min<int64_t>(height, kInt32Max + 1) - 1));
}

Box boundingBoxOfSet(const MaskBuffer& mask) {
    const int64_t w = mask.width(), h = mask.height();
    int64_t x0 = w, y0 = h, x1 = -1, y1 = -1;
    for (int64_t y = 0; y < h; ++y) {
        const uint8_t* row = mask.bytes() + size_t(y) * size_t(w);
        const uint8_t* first = std::find_if(row, row + w, [](uint8_t b) { return b != 0; });
        if (first == row + w)
            continue;
        const auto last = std::find_if(std::make_reverse_iterator(row + w), std::make_reverse_iterator(first),
                                       [](uint8_t b) { return b != 0; });
        x0 = std::min<int64_t>(x0, first - row);
        x1 = std::max<int64_t>(x1, (last.base() - 1) - row);
        y0 = std::min(y0, y);
        y1 = y;
    }
    if (x1 < 0)
        return Box(int32_t(std::min(w, kInt32Max)), int32_t(std::min(h, kInt32Max)), -1, -1);
    return Box(int32_t(x0), int32_t(y0), int32_t(x1), int32_t(y1));
}

bool hasSetByte(const MaskBuffer& mask) {
    return std::any_of(mask.bytes(), mask.bytes() + mask.count(), [](uint8_t b) { return b != 0; });
}

void blitWrapped(MaskBuffer& destination, const MaskBuffer& source, const Box& from, int64_t dx, int64_t dy) {
    blitWrappedPlane(destination.bytes(), destination.width(), destination.height(), source.bytes(),
                     source.width(), source.height(), from, dx, dy);
}

void blitWrapped(PixelBuffer& destination, const PixelBuffer& source, const Box& from, int64_t dx, int64_t dy) {
    blitWrappedPlane(destination.pixels(), destination.width(), destination.height(), source.pixels(),
                     source.width(), source.height(), from, dx, dy);
}

MaskBuffer cropMask(const MaskBuffer& source, const Box& from, const Box& to, uint8_t fill) {
    if (!fitsMaskCount(to))
        return {};
    MaskBuffer result(uint32_t(to.width()), uint32_t(to.height()), fill);
    copyOverlap(source.bytes(), source.width(), source.height(), from, result.bytes(), result.width(), to);
    return result;
}

PixelBuffer cropPixels(const PixelBuffer& source, const Box& from, const Box& to, uint32_t fill) {
    if (!fitsMaskCount(to))
        return {};
    PixelBuffer result{uint32_t(to.width()), uint32_t(to.height())};
    std::fill_n(result.pixels(), result.count(), fill);
    copyOverlap(source.pixels(), source.width(), source.height(), from, result.pixels(), result.width(), to);
    return result;
}

void andMasks(MaskBuffer& a, const MaskBuffer& b) {
    for (uint32_t y = 0; y < a.height(); ++y) {
        for (uint32_t x = 0; x < a.width(); ++x) {
            if (x >= b.width() || y >= b.height() || b.at(x, y) == 0)
                a.at(x, y) = 0;
        }
    }
}
