#pragma once

#include <cstdint>

// A width x height size in pixels. 64-bit so that any buffer or Box size fits without narrowing.
struct Extent {
    int64_t width = 0;
    int64_t height = 0;

    constexpr bool isEmpty() const { return width < 1 || height < 1; }
    constexpr bool operator==(const Extent&) const = default;
};
