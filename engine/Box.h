#pragma once

#include <cstdint>

// An integer rectangle with both corners inclusive. The empty box is (0, 0, -1, -1).
// A destination box in the output may run past its right or bottom edge; that part wraps.
struct Box {
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t x1 = -1;
    int32_t y1 = -1;

    constexpr Box() = default;
    constexpr Box(int32_t left, int32_t top, int32_t right, int32_t bottom)
        : x0(left), y0(top), x1(right), y1(bottom) {}

    static constexpr Box empty() { return Box(); }

    // Width and height in pixels; 0 (never negative) for an empty box.
    constexpr int64_t width() const { return x1 >= x0 ? int64_t(x1) - x0 + 1 : 0; }
    constexpr int64_t height() const { return y1 >= y0 ? int64_t(y1) - y0 + 1 : 0; }
    constexpr bool isEmpty() const { return width() < 1 || height() < 1; }

    constexpr bool operator==(const Box&) const = default;
};
