#pragma once

#include <cstdint>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QRect>

#include "engine/PixelBuffer.h"

// Builds what the output view shows for a rectangle of the output: covered pixels as they
// are, uncovered ones over a checkerboard of 8 x 8 squares with a dimmed, bluish view of the
// host image, and the translucent paste preview on top. Keeps its pixel buffer between calls.
class OutputComposer {
public:
    // Composes `area` (output pixels, inside the output) of `output` over `original` (the host
    // image; may be empty or of another size, then it counts as transparent). The result is
    // opaque, of the area's size, and valid until the next call.
    const QImage& compose(const PixelBuffer& output, const PixelBuffer& original, const QRect& area);

    // Blends `preview` (32-bit ARGB, not premultiplied) with its alpha over the last result,
    // its top-left at `topLeft` in output pixels; parts outside the area are skipped.
    void blendPreview(const QImage& preview, const QPoint& topLeft);

    // The background of an uncovered pixel at output (x, y) over host pixel `original`.
    static uint32_t background(int x, int y, uint32_t original);
    // One output pixel as shown: `pixel` over the background.
    static uint32_t composedPixel(int x, int y, uint32_t pixel, uint32_t original);

private:
    std::vector<uint32_t> pixels_;
    QImage image_;
    QRect area_;
};
