#pragma once

#include <cstdint>

// `v` brought into [0, size) the way the output wraps at its edges, for negative `v` too.
// `size` must be positive.
inline int64_t wrapIndex(int64_t v, int64_t size) {
    v %= size;
    return v < 0 ? v + size : v;
}
