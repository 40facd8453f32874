#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

// The engine names pixels by 32-bit indices (seams, graph nodes, which also use the values just
// below 2^32 for the terminals and w * h + k for seam nodes), so no buffer may hold more than
// 2^31 of them.
constexpr uint64_t kMaxBufferCount = uint64_t(1) << 31;

// width * height computed in 64 bits. Throws std::bad_array_new_length (a std::bad_alloc) when
// it exceeds kMaxBufferCount, so that callers handle a size that does not fit like memory that
// ran out, and no index can ever run past an allocation.
inline size_t bufferCount(uint32_t width, uint32_t height) {
    const uint64_t count = uint64_t(width) * uint64_t(height);
    if (count > kMaxBufferCount)
        throw std::bad_array_new_length();
    return size_t(count);
}
