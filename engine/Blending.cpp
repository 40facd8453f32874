#include "engine/Blending.h"

namespace {

uint32_t mixChannel(uint32_t d, uint32_t s, uint32_t a) { return (d * (255 - a) + s * a) / 255; }

uint32_t blendWithAlpha(uint32_t dst, uint32_t src, uint32_t a) {
    const uint32_t r = mixChannel(redOf(dst), redOf(src), a);
    const uint32_t g = mixChannel(greenOf(dst), greenOf(src), a);
    const uint32_t b = mixChannel(blueOf(dst), blueOf(src), a);
    const uint32_t alpha = (alphaOf(dst) * (255 - a) + a * 255) / 255;
    return makePixel(alpha, r, g, b);
}

// Visits every view pixel with its wrapped output position; rows outer, columns inner.
template <typename Visit>
void forEachWrapped(PixelBuffer& output, const BufferView& view, const Box& dest, Visit visit) {
    const uint32_t W = output.width(), H = output.height();
    const uint32_t w = view.width(), h = view.height();
    const PixelBuffer& chunk = *view.buffer;
    for (uint32_t y = 0; y < h; ++y) {
        uint32_t oy = uint32_t(dest.y0) + y;
        if (oy >= H)
            oy -= H;
        const uint32_t* src = chunk.pixels() + size_t(view.box.y0 + y) * chunk.width() + view.box.x0;
        uint32_t* row = output.pixels() + size_t(oy) * W;
        uint32_t ox = uint32_t(dest.x0);
        for (uint32_t x = 0; x < w; ++x, ++ox) {
            if (ox >= W)
                ox -= W;
            visit(row[ox], src[x], size_t(w) * y + x);
        }
    }
}

Box writtenBox(const BufferView& view, const Box& dest) {
    return Box(dest.x0, dest.y0, dest.x0 + int32_t(view.width()) - 1, dest.y0 + int32_t(view.height()) - 1);
}

} // namespace

uint32_t blendOver(uint32_t dst, uint32_t src) {
    const uint32_t a = alphaOf(src);
    if (a == 255 || alphaOf(dst) == 0)
        return src;
    return blendWithAlpha(dst, src, a);
}

uint32_t blendMasked(uint32_t dst, uint32_t src, uint32_t weight) {
    const uint32_t a = alphaOf(src) * weight / 255;
    if (a == 255)
        return src;
    if (alphaOf(dst) == 0)
        return (src & 0x00FFFFFFu) | (a << 24);
    return blendWithAlpha(dst, src, a);
}

bool pasteFits(const PixelBuffer& output, const BufferView& chunkView, const Box& destBox) {
    return chunkView.isInsideBuffer() && output.count() > 0 && destBox.x0 >= 0 && destBox.y0 >= 0 &&
           uint32_t(destBox.x0) < output.width() && uint32_t(destBox.y0) < output.height() &&
           chunkView.width() <= output.width() && chunkView.height() <= output.height();
}

Box plainPaste(PixelBuffer& output, const BufferView& chunkView, const Box& destBox, uint64_t* coverageGain) {
    if (coverageGain)
        *coverageGain = 0;
    if (!pasteFits(output, chunkView, destBox))
        return Box::empty();
    uint64_t gain = 0;
    forEachWrapped(output, chunkView, destBox, [&gain](uint32_t& dst, uint32_t src, size_t) {
        const uint32_t before = alphaOf(dst);
        dst = blendOver(dst, src);
        gain += alphaOf(dst) - before; // blending never lowers alpha
    });
    if (coverageGain)
        *coverageGain = gain;
    return writtenBox(chunkView, destBox);
}

Box maskedPaste(PixelBuffer& output, const BufferView& chunkView, const MaskBuffer& mask, const Box& destBox,
                uint64_t* coverageGain) {
    if (coverageGain)
        *coverageGain = 0;
    if (!pasteFits(output, chunkView, destBox) || mask.width() != chunkView.width() ||
        mask.height() != chunkView.height())
        return Box::empty();
    const uint8_t* weights = mask.bytes();
    uint64_t gain = 0;
    forEachWrapped(output, chunkView, destBox, [weights, &gain](uint32_t& dst, uint32_t src, size_t i) {
        if (weights[i] == 0)
            return;
        const uint32_t before = alphaOf(dst);
        dst = blendMasked(dst, src, weights[i]);
        gain += alphaOf(dst) - before;
    });
    if (coverageGain)
        *coverageGain = gain;
    return writtenBox(chunkView, destBox);
}
