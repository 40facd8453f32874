#pragma once

#include <cstdint>
#include <span>

#include "engine/Box.h"
#include "engine/MaskBuffer.h"

// Our own rasteriser for selections painted into a mask. A vertex (x, y) stands for the
// centre of pixel (x, y); everything outside the mask is clipped away.

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;

    constexpr bool operator==(const PixelPoint&) const = default;
};

// Sets every mask byte inside `box` (corners inclusive) to `value`.
void fillBox(MaskBuffer& mask, const Box& box, uint8_t value);

// Sets the bytes of the 1-pixel line from a to b, both ends included, to `value`.
void drawLine(MaskBuffer& mask, PixelPoint a, PixelPoint b, uint8_t value);

// Paints the closed polygon through `points` with `value`: the pixels whose centres lie
// inside by the non-zero winding rule, plus its 1-pixel outline. Fewer than three points
// paint nothing. Any coordinates are accepted: the work grows with the mask's height times
// the number of points, not with how far the points reach.
void fillPolygon(MaskBuffer& mask, std::span<const PixelPoint> points, uint8_t value);
