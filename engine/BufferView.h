#pragma once

#include "engine/Box.h"
#include "engine/PixelBuffer.h"

// A rectangular region of a PixelBuffer; view pixel (x, y) is buffer pixel
// (box.x0 + x, box.y0 + y). Refers to the buffer without owning it.
struct BufferView {
    Box box;
    PixelBuffer* buffer = nullptr;

    BufferView() = default;
    BufferView(PixelBuffer& b, const Box& region) : box(region), buffer(&b) {}

    uint32_t width() const { return uint32_t(box.width()); }
    uint32_t height() const { return uint32_t(box.height()); }
    // True when the box is non-empty and lies wholly inside the buffer.
    bool isInsideBuffer() const {
        return buffer && !box.isEmpty() && box.x0 >= 0 && box.y0 >= 0 &&
               int64_t(box.x1) < int64_t(buffer->width()) && int64_t(box.y1) < int64_t(buffer->height());
    }
};
