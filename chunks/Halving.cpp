#include "chunks/Halving.h"
#include "chunks/WrapIndex.h"

namespace {

uint32_t blockMean(uint32_t p, uint32_t q, uint32_t r, uint32_t s) {
    uint32_t alpha = 0, red = 0, green = 0, blue = 0;
    for (uint32_t pixel : {p, q, r, s}) {
        const uint32_t a = alphaOf(pixel);
        alpha += a;
        red += a * redOf(pixel);
        green += a * greenOf(pixel);
        blue += a * blueOf(pixel);
    }
    if (alpha == 0)
        return 0;
    return makePixel((alpha + 2) / 4, (red + alpha / 2) / alpha, (green + alpha / 2) / alpha,
                     (blue + alpha / 2) / alpha);
}

} // namespace

void halve(const PixelBuffer& source, int64_t x0, int64_t y0, uint32_t width, uint32_t height, PixelBuffer& target) {
    if (target.width() != width || target.height() != height)
        target = PixelBuffer(width, height);
    const int64_t W = source.width(), H = source.height();
    if (W == 0 || H == 0)
        return;
    const int64_t left = wrapIndex(2 * x0, W);
    int64_t y = wrapIndex(2 * y0, H);
    for (uint32_t j = 0; j < height; ++j) {
        const int64_t below = y + 1 == H ? 0 : y + 1;
        const uint32_t* top = source.pixels() + y * W;
        const uint32_t* bottom = source.pixels() + below * W;
        uint32_t* out = target.pixels() + size_t(j) * width;
        int64_t x = left;
        for (uint32_t i = 0; i < width; ++i) {
            const int64_t right = x + 1 == W ? 0 : x + 1;
            out[i] = blockMean(top[x], top[right], bottom[x], bottom[right]);
            x = right + 1 == W ? 0 : right + 1;
        }
        y = below + 1 == H ? 0 : below + 1;
    }
}
