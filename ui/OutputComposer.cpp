#include "ui/OutputComposer.h"

#include <algorithm>

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// Grey of the checkerboard square holding (x, y): light and darker squares of 8 x 8 pixels.
inline uint32_t checker(int x, int y) { return ((x & 15) > 7) == ((y & 15) > 7) ? 255u : 204u; }

inline uint32_t mix(uint32_t under, uint32_t over, uint32_t alpha) {
    return (under * (255 - alpha) + over * alpha) >> 8;
}

}  // namespace

uint32_t OutputComposer::background(int x, int y, uint32_t original) {
    const uint32_t c = checker(x, y);
    const uint32_t beta = alphaOf(original);
    if (beta == 0)
        return makePixel(255, c, c, c);
    // Half the host colour over a quarter of the checker, pushed towards blue.
    const uint32_t r = redOf(original) / 2 + c / 4;
    const uint32_t g = greenOf(original) / 2 + c / 4 + 10;
    const uint32_t b = blueOf(original) / 2 + c / 4 + 18;
    if (beta == 255)
        return makePixel(255, r, g, b);
    return makePixel(255, (r * beta + c * (255 - beta)) >> 8, (g * beta + c * (255 - beta)) >> 8,
                     (b * beta + c * (255 - beta)) >> 8);
}

uint32_t OutputComposer::composedPixel(int x, int y, uint32_t pixel, uint32_t original) {
    const uint32_t a = alphaOf(pixel);
    if (a == 255)
        return pixel;
    const uint32_t back = background(x, y, original);
    if (a == 0)
        return back;
    return makePixel(255, mix(redOf(back), redOf(pixel), a), mix(greenOf(back), greenOf(pixel), a),
                     mix(blueOf(back), blueOf(pixel), a));
}

const QImage& OutputComposer::compose(const PixelBuffer& output, const PixelBuffer& original, const QRect& area) {
    area_ = area;
    const int w = std::max(0, area.width());
    const int h = std::max(0, area.height());
    if (pixels_.size() < size_t(w) * size_t(h))
        pixels_.resize(size_t(w) * size_t(h));
    const bool haveOriginal = original.width() == output.width() && original.height() == output.height();
    for (int row = 0; row < h; ++row) {
        const int y = area.top() + row;
        const uint32_t* from = output.pixels() + size_t(y) * output.width() + area.left();
        const uint32_t* host = haveOriginal ? original.pixels() + size_t(y) * original.width() + area.left() : nullptr;
        uint32_t* to = pixels_.data() + size_t(row) * size_t(w);
        for (int column = 0; column < w; ++column) {
            const uint32_t pixel = from[column];
            // Most pixels of a filled output are covered; they skip the background entirely.
            to[column] = pixel >= kOpaque ? pixel
                                          : composedPixel(area.left() + column, y, pixel, host ? host[column] : 0u);
        }
    }
    image_ = QImage(reinterpret_cast<uchar*>(pixels_.data()), w, h, w * 4, QImage::Format_RGB32);
    return image_;
}

void OutputComposer::blendPreview(const QImage& preview, const QPoint& topLeft) {
    if (preview.isNull() || image_.isNull() || preview.format() != QImage::Format_ARGB32)
        return;
    const QRect placed(topLeft, preview.size());
    const QRect overlap = placed.intersected(area_);
    for (int y = overlap.top(); y <= overlap.bottom(); ++y) {
        const auto* from = reinterpret_cast<const uint32_t*>(preview.constScanLine(y - topLeft.y()));
        uint32_t* to = pixels_.data() + size_t(y - area_.top()) * size_t(area_.width());
        for (int x = overlap.left(); x <= overlap.right(); ++x) {
            const uint32_t p = from[x - topLeft.x()];
            const uint32_t a = alphaOf(p);
            if (a == 0)
                continue;
            uint32_t& d = to[x - area_.left()];
            d = makePixel(255, mix(redOf(d), redOf(p), a), mix(greenOf(d), greenOf(p), a), mix(blueOf(d), blueOf(p), a));
        }
    }
}
