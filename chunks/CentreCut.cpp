#include "chunks/CentreCut.h"

PixelBuffer cutToOutputSize(const PixelBuffer& image, uint32_t outputWidth, uint32_t outputHeight) {
    uint32_t w = image.width(), h = image.height(), x0 = 0, y0 = 0;
    if (outputWidth > 0 && w >= outputWidth - 1) {
        x0 = (w - outputWidth + 1) / 2;
        w = outputWidth - 1;
    }
    if (outputHeight > 0 && h >= outputHeight - 1) {
        y0 = (h - outputHeight + 1) / 2;
        h = outputHeight - 1;
    }
    if (x0 == 0 && y0 == 0 && w == image.width() && h == image.height())
        return image;
    PixelBuffer cut(w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            cut.at(x, y) = image.at(x0 + x, y0 + y);
    return cut;
}
