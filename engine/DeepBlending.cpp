#include "engine/DeepBlending.h"

namespace {

uint16_t mixChannel(uint32_t d, uint32_t s, uint32_t a) { return uint16_t((d * (255 - a) + s * a) / 255); }

DeepPixel blendWithAlpha(DeepPixel dst, DeepPixel src, uint32_t a) {
    return DeepPixel{mixChannel(dst.red, src.red, a), mixChannel(dst.green, src.green, a),
                     mixChannel(dst.blue, src.blue, a), uint16_t((dst.alpha * (255 - a) + a * 255) / 255)};
}

bool fits(const DeepPixelBuffer& canvas, const DeepPixelBuffer& chunk, const Box& region, const Box& dest) {
    return !region.isEmpty() && region.x0 >= 0 && region.y0 >= 0 && int64_t(region.x1) < int64_t(chunk.width()) &&
           int64_t(region.y1) < int64_t(chunk.height()) && canvas.count() > 0 && dest.x0 >= 0 && dest.y0 >= 0 &&
           uint32_t(dest.x0) < canvas.width() && uint32_t(dest.y0) < canvas.height() &&
           region.width() <= int64_t(canvas.width()) && region.height() <= int64_t(canvas.height());
}

// Every region pixel with the canvas pixel it lands on; rows outer, columns inner.
template <typename Visit>
void forEachWrapped(DeepPixelBuffer& canvas, const DeepPixelBuffer& chunk, const Box& region, const Box& dest,
                    Visit visit) {
    const uint32_t W = canvas.width(), H = canvas.height();
    const uint32_t w = uint32_t(region.width()), h = uint32_t(region.height());
    for (uint32_t y = 0; y < h; ++y) {
        uint32_t oy = uint32_t(dest.y0) + y;
        if (oy >= H)
            oy -= H;
        const DeepPixel* src = &chunk.at(uint32_t(region.x0), uint32_t(region.y0) + y);
        DeepPixel* row = &canvas.at(0, oy);
        uint32_t ox = uint32_t(dest.x0);
        for (uint32_t x = 0; x < w; ++x, ++ox) {
            if (ox >= W)
                ox -= W;
            visit(row[ox], src[x], size_t(w) * y + x);
        }
    }
}

Box writtenBox(const Box& region, const Box& dest) {
    return Box(dest.x0, dest.y0, dest.x0 + int32_t(region.width()) - 1, dest.y0 + int32_t(region.height()) - 1);
}

} // namespace

DeepPixel deepBlendOver(DeepPixel dst, DeepPixel src) {
    if (src.alpha == 255 || dst.alpha == 0)
        return src;
    return blendWithAlpha(dst, src, src.alpha);
}

DeepPixel deepBlendMasked(DeepPixel dst, DeepPixel src, uint32_t weight) {
    const uint32_t a = src.alpha * weight / 255;
    if (a == 255)
        return src;
    if (dst.alpha == 0) {
        src.alpha = uint16_t(a);
        return src;
    }
    return blendWithAlpha(dst, src, a);
}

Box deepPlainPaste(DeepPixelBuffer& canvas, const DeepPixelBuffer& chunk, const Box& region, const Box& dest) {
    if (!fits(canvas, chunk, region, dest))
        return Box::empty();
    forEachWrapped(canvas, chunk, region, dest, [](DeepPixel& d, const DeepPixel& s, size_t) { d = deepBlendOver(d, s); });
    return writtenBox(region, dest);
}

Box deepMaskedPaste(DeepPixelBuffer& canvas, const DeepPixelBuffer& chunk, const Box& region, const MaskBuffer& mask,
                    const Box& dest) {
    if (!fits(canvas, chunk, region, dest) || mask.width() != region.width() || mask.height() != region.height())
        return Box::empty();
    const uint8_t* weights = mask.bytes();
    forEachWrapped(canvas, chunk, region, dest, [weights](DeepPixel& d, const DeepPixel& s, size_t i) {
        if (weights[i] != 0)
            d = deepBlendMasked(d, s, weights[i]);
    });
    return writtenBox(region, dest);
}
